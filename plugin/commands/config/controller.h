/* The controller configuration command: its variant table, parameter lists
 * and validation callback (exported under their own names), and the creation
 * checks its second source (createvdisk.cpp) adds. */
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

/* The creation checks of "createvdisk", run after the controller and
 * availability checks passed. 1000 with "Length=" rewritten, or the first
 * rejection's status with its message arguments. */
int32_t validateCreateVirtualDisk(const char* controller, uint32_t argc, char** argv, uint32_t* reqCount,
                                  char** reqArgs, char* msgArg1, char* msgArg2);

}  // namespace kwctrl
#endif

#endif
