// Small variant tables of the shapes the plug-in uses: a configuration
// command chosen by action, a report chosen by the parameters given.
#pragma once

#include "cmdfw32.h"

namespace fwtest {

// ---- "rkconfig storage widget": kind-1 variants -------------------------

inline const NVLstRow kPaint[] = {
    {"controller", "GlobalNo=",    NVF_NUMBER, NVP_VALUE,           nullptr, 0},
    {"colour",     "Colour=1",     NVF_TEXT,   NVP_CHOICE_REQUIRED, "red",   0},
    {"colour",     "Colour=2",     NVF_TEXT,   NVP_CHOICE_REQUIRED, "blue",  0},
    {"finish",     "Finish=gloss", NVF_TEXT,   NVP_CHOICE,          "gloss", 0},
    {"finish",     "Finish=matt",  NVF_TEXT,   NVP_CHOICE_POLICY,   "matt",  0},
    {"label",      "Label=",       NVF_TEXT,   NVP_OPTIONAL,        nullptr, 12},
    {nullptr,      "Source=",      NVF_TEXT,   NVP_FIXED_HIDDEN,    "CLI",   0},
    {"note",       nullptr,        NVF_TEXT,   NVP_OPTIONAL,        nullptr, 0},
};
inline const NVLstRow kTune[] = {
    {"controller", "GlobalNo=", NVF_NUMBER,    NVP_VALUE,    nullptr, 0},
    {"rate",       "Rate=",     NVF_PERCENT,   NVP_VALUE,    nullptr, 0},
    {"days",       "Days=",     NVF_NUMBER,    NVP_BOUNDED,  "7",     0},
    {"port",       "Port=",     NVF_CONNECTOR, NVP_OPTIONAL, nullptr, 0},
};
inline const NVLstRow kPlace[] = {
    {"controller", "GlobalNo=",  NVF_NUMBER,    NVP_VALUE,    nullptr,       0},
    {"disk",       "adisk=",     NVF_DISK,      NVP_OPTIONAL, "3:15,1:2:15", 0},
    {"disks",      "adisks=",    NVF_DISKLIST,  NVP_OPTIONAL, "3:15,1:2:15", 0},
    {"enclosure",  "Enclosure=", NVF_ENCLOSURE, NVP_OPTIONAL, "3,1:2",       0},
};
inline const NVLstRow kDebug[] = {
    {"NumDCSIFArgs", "NumDCSIFArgs=", NVF_NUMBER, NVP_FIXED, "1",     0},
    {"param0",       "param0=",       NVF_TEXT,   NVP_FIXED, "debug", 0},
};
inline const NVCmdRow kWidget[] = {
    {NV_KIND_CONFIG, "action", "vexcmd=setPaint",               "paint",  0, "kwda",    kPaint, 8, nullptr, 0},
    {NV_KIND_CONFIG, "action", "vexcmd=setTune",                "tune",   0, "kwda",    kTune,  4, nullptr, 0},
    {NV_KIND_CONFIG, "action", "vexcmd=setPlace",               "place",  0, "kwda",    kPlace, 4, nullptr, 0},
    {NV_KIND_CONFIG, "action", "vexcmd=sendPassThruCmdToDCSIF", "debug",  0, "kwda",    kDebug, 2, nullptr, NV_FLAG_SERVICE},
    {NV_KIND_CONFIG, "action", "vexcmd=setNowhere",             "vanish", 0, "noagent", nullptr, 0, nullptr, 0},
};
constexpr uint32_t kWidgetRows = 5;

// ---- "rkreport storage gadget": kind-6 and kind-8 variants --------------

inline const NVLstRow kDumpAll[] = {
    {"dump",       nullptr, NVF_TEXT,   NVP_GIVEN,  nullptr, 0},
    {"controller", nullptr, NVF_NUMBER, NVP_ABSENT, nullptr, 0},
    {"dump",       "dump=", NVF_TEXT,   NVP_VALUE,  nullptr, 0},
};
inline const NVLstRow kTemps[] = {
    {"controller", nullptr,     NVF_NUMBER, NVP_GIVEN,    nullptr, 0},
    {"info",       nullptr,     NVF_TEXT,   NVP_GIVEN,    nullptr, 0},
    {"controller", "GlobalNo=", NVF_NUMBER, NVP_VALUE,    nullptr, 0},
    {"info",       "info=",     NVF_TEXT,   NVP_VALUE,    nullptr, 0},
    {"index",      "Index=",    NVF_NUMBER, NVP_OPTIONAL, "4",     0},
};
inline const NVLstRow kList[] = {
    {"controller", nullptr, NVF_NUMBER, NVP_ABSENT, nullptr, 0},
    {"dump",       nullptr, NVF_TEXT,   NVP_ABSENT, nullptr, 0},
    {"info",       nullptr, NVF_TEXT,   NVP_ABSENT, nullptr, 0},
};
inline const NVLstRow kSingle[] = {
    {"controller", nullptr,     NVF_NUMBER, NVP_GIVEN,  nullptr, 0},
    {"dump",       nullptr,     NVF_TEXT,   NVP_ABSENT, nullptr, 0},
    {"info",       nullptr,     NVF_TEXT,   NVP_ABSENT, nullptr, 0},
    {"controller", "GlobalNo=", NVF_NUMBER, NVP_VALUE,  nullptr, 0},
};
inline const NVCmdRow kGadget[] = {
    {NV_KIND_REPORT_SELECT, "dump", "vexcmd=getDumpAll", "all",   0, "kwda", kDumpAll, 3, "all.xsl",   0},
    {NV_KIND_REPORT_SELECT, "info", "vexcmd=getTemps",   "temps", 0, "kwda", kTemps,   5, "temps.xsl", 0},
    {NV_KIND_REPORT,        nullptr, "vexcmd=getList",   nullptr, 0, "kwda", kList,    3, "list.xsl",  0},
    {NV_KIND_REPORT,        nullptr, "vexcmd=getOne",    nullptr, 0, "kwda", kSingle,  4, "one.xsl",   0},
};
constexpr uint32_t kGadgetRows = 4;

}  // namespace fwtest
