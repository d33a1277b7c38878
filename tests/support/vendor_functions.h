// The 25 functions of the token vendor's library, in the order Keystead binds them, as the
// tests and the fault campaign name them (independently of Keystead's own table).
#pragma once

namespace keystead_test {

inline const char* const kVendorFunctionNames[] = {"ZQ_OpenDev",
                                                   "ZQ_CloseDev",
                                                   "ZQ_ListAllDev",
                                                   "ZQ_TokenListContainer",
                                                   "ZQPro_GetSn",
                                                   "ZQ_TokenGetCertSize",
                                                   "ZQ_TokenGetCert",
                                                   "ZQM1_ChangePIN",
                                                   "ZQpro_GetPinTime",
                                                   "ZQpro_ReloadPin",
                                                   "ClearPinFromMem",
                                                   "LockUKey",
                                                   "UnlockUKey",
                                                   "ZQ_TokenCreateCon",
                                                   "ZQ_TokenImportRsaKeyObj",
                                                   "ZQ_TokenWrtCert",
                                                   "ZQ_SelectDev",
                                                   "ZQ_CreateResource",
                                                   "ZQpro_InitDynamicCode",
                                                   "ZQpro_IsSupportDynamicCode",
                                                   "ZQpro_RemoveDynamicCode",
                                                   "ZQ_ToKenVerifySo",
                                                   "ZQ_ToKenVerifyUser",
                                                   "ZQ_IsDefaultPin",
                                                   "ZQ_ToKenChangeUser"};

} // namespace keystead_test
