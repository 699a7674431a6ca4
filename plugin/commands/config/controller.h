/* The controller configuration command: its variant table, parameter lists
 * and validation callback (exported under their own names), and the pieces
 * its two sources share. */
#ifndef KWCLP_CONFIG_CONTROLLER_H
#define KWCLP_CONFIG_CONTROLLER_H

#include <stdint.h>

#include "plugin/nvtable.h"

#ifdef __cplusplus
extern "C" {
#endif

KW_EXPORT extern const NVCmdRow NVCmdConfigController[19];
KW_EXPORT extern const NVLstRow NVLstCommonControllerCfg[2];
KW_EXPORT extern const NVLstRow NVLstExportLog[1];
KW_EXPORT extern const NVLstRow NVLstSetReBuildRate[2];
KW_EXPORT extern const NVLstRow NVLstSetControllerAttribRate[2];
KW_EXPORT extern const NVLstRow NVLstControllerCfgSingleParam[1];
KW_EXPORT extern const NVLstRow NVLstCtrlPatrolReadMode[4];
KW_EXPORT extern const NVLstRow NVLstEnableDebug[2];
KW_EXPORT extern const NVLstRow NVLstCreateVD[41];

KW_EXPORT int32_t CmdConfigControllerValidateFunc(void* fw1, void* fw2, uint32_t argc, char** argv,
                                                  uint32_t* reqCount, char** reqArgs, void* fw7,
                                                  void* fw8, char* msgArg1, char* msgArg2);

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
namespace kwctrl {

/* The user's parameter of that name (name matched ignoring case), or null. */
const char* userParam(uint32_t argc, char** argv, const char* name);
/* The value the variant placed in the request under that name, or null. */
const char* requestValue(const uint32_t* reqCount, char** reqArgs, const char* name);

/* Copies text (null as empty) into a message argument, cut to its size. */
void setMessageArg(char* msgArg, const char* text);

/* Appends a 256-byte block holding "<name>=<number>" at the end of the
 * request: 1000, or 1655 when no block can be had (count unchanged). */
int32_t appendNumberArgument(uint32_t* reqCount, char** reqArgs, const char* name, int32_t number);

/* Puts text in place of the request element of that name (the first whose
 * name matches exactly), in a new 256-byte block; appends it when the
 * request holds no such element. 1000, or 1655 when no block can be had. */
int32_t replaceRequestArgument(uint32_t* reqCount, char** reqArgs, const char* name, const char* text);

/* The creation checks of "createvdisk", run after the controller and
 * availability checks passed. 1000 with "Length=" rewritten, or the first
 * rejection's status with its message arguments. */
int32_t validateCreateVirtualDisk(const char* controller, uint32_t argc, char** argv, uint32_t* reqCount,
                                  char** reqArgs, char* msgArg1, char* msgArg2);

}  // namespace kwctrl
#endif

#endif
