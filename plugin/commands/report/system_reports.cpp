// "rkreport system|servermodule summary|version|alertlog". Summary and
// version are table-driven; the alert-log report asks the data agent for the
// log's location directly through the data bridge and answers with a record
// of its own.
#include <string.h>

#include "kwsup/guards.h"
#include "plugin/handlers.h"
#include "trace/sysdbg.h"
#include "vexdb32.h"
#include "xdoc32.h"

extern "C" {

KW_EXPORT extern const NVLstRow NVLstSystemSummary[2] = {
    {NULL, "includeComponents=", 1, 6, "TRUE", 0},
    {NULL, "ProductID=",         1, 6, "RKNT", 0},
};

KW_EXPORT extern const NVCmdRow NVCmdSystemSummary[1] = {
    {6, NULL, "vexcmd=getEnclosureList", NULL, 0, "kwda", NVLstSystemSummary, 2, "vw/cli/RptSumm.xsl", 0x40000000},
};

KW_EXPORT extern const NVCmdRow NVCmdSystemVer[1] = {
    {6, NULL, "vexcmd=getControllerList", NULL, 0, "kwda", NULL, 0, "vw/cli/RptVer.xsl", 0x40000000},
};

KW_EXPORT CLPSResponse* CmdReportSystemSummary(int32_t argc, char** argv) {
    LogCLIArgs(argv, argc);
    return CLPSNVCmdConfigFunc(argc, argv, 6951, 0, NVCmdSystemSummary, 1, "kwclp.xsl", NULL);
}

KW_EXPORT CLPSResponse* CmdReportSystemVersion(int32_t argc, char** argv) {
    LogCLIArgs(argv, argc);
    return CLPSNVCmdConfigFunc(argc, argv, 0, 0, NVCmdSystemVer, 1, "kwclp.xsl", NULL);
}

}  // extern "C"

namespace {

const char* const kAgentPrefix = "kwda";
const uint32_t kPathBlockSize = 256;

// Releases an agent reply through the bridge that gave it.
class ReplyGuard {
public:
    ReplyGuard(uint32_t id, char* reply) : id_(id), reply_(reply) {}
    ~ReplyGuard() { if (reply_ != NULL) RKDBPluginFreeData(id_, reply_); }
    ReplyGuard(const ReplyGuard&) = delete;
    ReplyGuard& operator=(const ReplyGuard&) = delete;
    char* get() const { return reply_; }

private:
    uint32_t id_;
    char*    reply_;
};

// Releases a text taken out of an XML buffer.
class ContentGuard {
public:
    explicit ContentGuard(char* text) : text_(text) {}
    ~ContentGuard() { if (text_ != NULL) ZCSXFreeBufContent(text_); }
    ContentGuard(const ContentGuard&) = delete;
    ContentGuard& operator=(const ContentGuard&) = delete;
    char* get() const { return text_; }

private:
    char* text_;
};

// Asks the agent for the alert log and copies its first "Path" into block.
// Returns 0 when a path was found.
int32_t readAlertLogPath(uint32_t agentId, char* block) {
    char* request[] = {const_cast<char*>("vexcmd=getAlertLog")};
    ReplyGuard reply(agentId, RKDBPluginSendCmd(agentId, 1, request));
    if (reply.get() == NULL) return -1;

    ZCSXBuf* buffer = ZCSXAllocBuf(0, 1);
    if (buffer == NULL) return -1;
    ZCSXBufCatNode(buffer, "VEX", NULL, 1, reply.get());
    ContentGuard wrapped(ZCSXFreeBufGetContent(buffer));
    if (wrapped.get() == NULL) return -1;

    block[0] = '\0';
    uint32_t capacity = kPathBlockSize;
    return XMLSupGetXMLMemData(0, "Path", 1, 0, 1, &capacity, block, kPathBlockSize, block, wrapped.get(),
                               static_cast<uint32_t>(strlen(wrapped.get()) + 1));
}

}  // namespace

extern "C" KW_EXPORT CLPSResponse* CmdReportAlertLog(int32_t argc, char** argv) {
    if ((RKDBPluginInstalledByPrefix(kAgentPrefix) & 0xFFFF) == 0) return NULL;
    if ((CLPSIsUsageHelp(argc, argv) & 0xFFFF) == 1) return CLPSSetRespObjUsageXML(argc, argv, 0, 0, "sysrep.xsl");
    CLPSResponse* extra = CLPSNVCheckExtraParams(argc, argv, "sysrep.xsl");
    if (extra != NULL) return extra;

    kwsup::ResponseGuard record(CLPSAllocResponse());
    if (!record) return NULL;
    const uint32_t agentId = RKDBPluginGetIDByPrefix(kAgentPrefix);
    if (agentId == 0) return NULL;
    kwsup::BlockGuard block(static_cast<char*>(ZCSAllocMem(kPathBlockSize)));
    if (!block) return NULL;
    if (readAlertLogPath(agentId, block.get()) != 0) return NULL;

    CLPSResponse* response = record.release();
    response->word2 = 0;
    response->kind = 22;
    response->length = static_cast<uint32_t>(strlen(block.get()) + 1);
    response->text = block.release();
    response->word6 = 32;
    response->word7 = 0;
    response->word8 = 0;
    response->word9 = 41;
    return response;
}
