/* Data bridge (libvexdb32): the registry of data-agent plug-ins and the
 * transport of one request to one agent. */
#ifndef VEXDB32_H
#define VEXDB32_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define RKDB_API __attribute__((visibility("default")))

/* What a data-agent plug-in exports (a shared object named lib<prefix>.so):
 *   char* RKDBAgentSendCmd(uint32_t count, const char* const* vector);
 *   void  RKDBAgentFreeData(char* reply);
 * The reply is a NUL-terminated XML document, or null for no reply. */
typedef char* (*RKDBAgentSendFn)(uint32_t count, const char* const* vector);
typedef void (*RKDBAgentFreeFn)(char* reply);

/* Low 16 bits non-zero when an agent with that prefix is registered or can
 * be loaded. */
RKDB_API uint32_t RKDBPluginInstalledByPrefix(const char* prefix);
/* The agent's id (non-zero), loading it on first use; 0 when there is none. */
RKDB_API uint32_t RKDBPluginGetIDByPrefix(const char* prefix);
/* Sends the request (count texts, the agent command first). Returns the
 * reply, or null when the agent is unknown or gave none. Every reply is
 * released with RKDBPluginFreeData. */
RKDB_API char* RKDBPluginSendCmd(uint32_t id, uint32_t count, const char* const* vector);
RKDB_API void  RKDBPluginFreeData(uint32_t id, char* reply);

/* When the most recent request sent through this bridge (by any caller in
 * this process) was refused because the agent's state is unavailable
 * (status="3"), the reason the agent gave (its <Error> text); null
 * otherwise. Every request forgets the reason of the one before, so a
 * caller that got a refusal can tell whether the state was its cause
 * without asking the agent again. The text stays valid until the next
 * request. */
RKDB_API const char* RKDBLastUnavailableReason(void);

/* The status of that refusal: 3 when the state cannot be used, 4 when the
 * state and the profile the caller named disagree (a command-line error);
 * 0 when RKDBLastUnavailableReason answers null. */
RKDB_API int32_t RKDBLastUnavailableStatus(void);

/* How many requests sent through this bridge so far in this process got no
 * reply, agent lookups that found no agent included. Compared before and
 * after a command, it tells a missing or silent agent from a command that
 * had nothing to say. */
RKDB_API uint32_t RKDBUnansweredRequests(void);

/* Registers an in-process agent under a prefix, replacing any earlier one;
 * returns its id. Unregistering a prefix that has none does nothing. */
RKDB_API uint32_t RKDBPluginRegister(const char* prefix, RKDBAgentSendFn send, RKDBAgentFreeFn release);
RKDB_API void     RKDBPluginUnregister(const char* prefix);

/* Where agents are looked for when none is registered in-process: the
 * folders of RKDB_PLUGIN_PATH (colon-separated), then the folder of
 * libvexdb32 itself. */

#ifdef __cplusplus
}
#endif
#endif
