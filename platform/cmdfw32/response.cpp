// Response records: allocation, release, and the small fillers every part of
// the framework uses. Texts and arguments the framework stores are its own
// allocations (malloc); an alert-log record's text is a 256-byte block from
// ZCSAllocMem and goes back through ZCSFreeMem.

#include <cstdlib>
#include <cstring>

#include "internal.h"
#include "vexcs32.h"

namespace cmdfw {
namespace {

bool g_dryRun = false;
// Set when a response record could not be had; cleared as a request begins.
bool g_allocFailed = false;

void noteAllocFailure() { g_allocFailed = true; }
bool allocFailed() { return g_allocFailed; }

void freeArgs(CLPSResponse* record) {
    std::free(record->arg1);
    std::free(record->arg2);
    record->arg1 = nullptr;
    record->arg2 = nullptr;
}

void freeRequest(CLPSResponse* record) {
    if (record->request) {
        for (uint32_t i = 0; i < record->requestCount; ++i) std::free(record->request[i]);
        std::free(record->request);
    }
    record->request = nullptr;
    record->requestCount = 0;
}

void freeText(CLPSResponse* record) {
    if (record->kind == CLPS_RESP_PATH)
        ZCSFreeMem(record->text);
    else
        std::free(record->text);
    record->text = nullptr;
    record->length = 0;
}

}  // namespace

Record newRecord() { return Record(CLPSAllocResponse()); }

void beginRequest() { g_allocFailed = false; }

char* copyText(std::string_view text) {
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (!copy) return nullptr;
    if (!text.empty()) std::memcpy(copy, text.data(), text.size());
    copy[text.size()] = '\0';
    return copy;
}

void fillMessage(CLPSResponse* record, int32_t status, std::string_view arg1, std::string_view arg2,
                 const char* styleSheet) {
    freeText(record);
    freeArgs(record);
    record->kind = CLPS_RESP_MESSAGE;
    record->status = status;
    record->messageId = 0;
    record->styleSheet = styleSheet;
    record->arg1 = copyText(arg1);
    record->arg2 = copyText(arg2);
    if (!record->arg1 || !record->arg2) {
        freeArgs(record);
        record->status = CLPS_ERR_NO_MEMORY;
    }
}

CLPSResponse* makeMessage(int32_t status, std::string_view arg1, std::string_view arg2,
                          const char* styleSheet) {
    Record record = newRecord();
    if (!record) return nullptr;
    fillMessage(record.get(), status, arg1, arg2, styleSheet);
    return record.release();
}

bool setText(CLPSResponse* record, std::string_view text) {
    freeText(record);
    record->text = copyText(text);
    if (!record->text) return false;
    record->length = static_cast<uint32_t>(text.size());
    return true;
}

bool setRequest(CLPSResponse* record, const char* agentCommand, uint32_t count, char* const* vector) {
    freeRequest(record);
    uint32_t total = count + 1;
    char** copies = static_cast<char**>(std::calloc(total, sizeof(char*)));
    if (!copies) return false;
    record->request = copies;
    for (uint32_t i = 0; i < total; ++i) {
        const char* element = i == 0 ? agentCommand : vector[i - 1];
        copies[i] = copyText(element ? element : "");
        record->requestCount = i + 1;
        if (!copies[i]) {
            freeRequest(record);
            return false;
        }
    }
    return true;
}

bool dryRunEnabled() { return g_dryRun; }

}  // namespace cmdfw

using namespace cmdfw;

extern "C" {

CLPS_API CLPSResponse* CLPSAllocResponse(void) {
    auto* record = KWTestShouldFail(KWTEST_RESP) ? nullptr
                                                 : static_cast<CLPSResponse*>(std::calloc(1, sizeof(CLPSResponse)));
    if (!record) {
        noteAllocFailure();
        return nullptr;
    }
    record->signature = CLPS_RESP_SIGNATURE;
    record->kind = CLPS_RESP_EMPTY;
    KWTestAcquired(KWLIVE_RESP);
    return record;
}

CLPS_API int32_t CLPSResponseAllocFailed(void) { return allocFailed() ? 1 : 0; }

CLPS_API int32_t CLPSFreeResponse(CLPSResponse* response) {
    if (!response) return 0;
    // A record without its signature is not one of ours (or was released
    // already); touching it further could only do harm.
    if (response->signature != CLPS_RESP_SIGNATURE) return -1;
    freeText(response);
    freeArgs(response);
    freeRequest(response);
    response->signature = 0;
    std::free(response);
    KWTestReleased(KWLIVE_RESP);
    return 0;
}

CLPS_API CLPSResponse* CLPSNVSetupMsgRespObj(uint32_t messageId, uint32_t w2, uint32_t w3, uint32_t w4,
                                             uint32_t w5, uint32_t w6, const char* styleSheet) {
    CLPSResponse* record = CLPSAllocResponse();
    if (!record) return nullptr;
    record->kind = CLPS_RESP_MESSAGE;
    record->status = CLPS_STATUS_OK;
    record->messageId = messageId;
    record->styleSheet = styleSheet;
    return record;
}

CLPS_API void CLPSDefaultDestroyCLIPFunc(void) {
    // The framework keeps nothing between commands, so there is nothing to destroy.
}

CLPS_API int32_t CLPSDestroyCLIP(CLPSDestroyFunc destroy) {
    if (destroy) destroy();
    return 0;
}

CLPS_API void CLPSSetDryRun(int enabled) { g_dryRun = enabled != 0; }

}  // extern "C"
