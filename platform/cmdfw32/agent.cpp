// Requests to data agents through the data bridge, the reading of a reply's
// refusal, and the capability query the plug-in's own checks use.

#include <utility>
#include <vector>

#include "internal.h"
#include "reply_text.h"
#include "vexdb32.h"

namespace cmdfw {

AgentReply::~AgentReply() {
    if (text_) RKDBPluginFreeData(id_, text_);
}

AgentReply::AgentReply(AgentReply&& other) noexcept
    : id_(other.id_), text_(std::exchange(other.text_, nullptr)) {}

AgentReply& AgentReply::operator=(AgentReply&& other) noexcept {
    if (this != &other) {
        if (text_) RKDBPluginFreeData(id_, text_);
        id_ = other.id_;
        text_ = std::exchange(other.text_, nullptr);
    }
    return *this;
}

Delivery sendToAgent(const char* prefix, uint32_t count, const char* const* vector, AgentReply& reply) {
    uint32_t id = prefix ? RKDBPluginGetIDByPrefix(prefix) : 0;
    if (id == 0) return Delivery::NoAgent;
    std::vector<const char*> elements(vector, vector + count);
    for (auto& element : elements)
        if (!element) element = "";
    char* text = RKDBPluginSendCmd(id, count, elements.data());
    if (!text) return Delivery::NoReply;
    reply = AgentReply(id, text);
    return Delivery::Replied;
}

bool isRefusal(std::string_view replyText, int32_t& status, std::string& reason) {
    return rkreply::readRefusal(replyText, status, reason);
}

}  // namespace cmdfw

using namespace cmdfw;

extern "C" {

CLPS_API CLPSResponse* CLPSNVReportCapabilitesXML(const char* prefix, uint32_t count, char** vector,
                                                  const char* responseName, const char* styleSheet) {
    // The record comes first: a query whose answer could not be handed back
    // is not sent at all.
    Record record = newRecord();
    if (!record) return nullptr;
    record->kind = CLPS_RESP_REPLY;
    record->styleSheet = styleSheet;
    try {
        AgentReply reply;
        Delivery delivery = sendToAgent(prefix, vector ? count : 0, vector, reply);
        if (delivery != Delivery::Replied) {
            record->status = CLPS_ERR_NO_AGENT;
            return record.release();
        }
        record->status = setText(record.get(), reply.text()) ? CLPS_STATUS_OK : CLPS_ERR_NO_MEMORY;
    } catch (...) {
        record->status = CLPS_ERR_NO_MEMORY;
    }
    return record.release();
}

}  // extern "C"
