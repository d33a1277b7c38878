// The CryptoAPI provider interface: the 25 CP entry points CryptoAPI looks up by name in a
// provider library, with their ordinals in ZQ_CSP.dll and in the vendor library. Ordinal 10 is
// not part of the interface and stays empty on both sides.
#pragma once

#include <windows.h>
#include <wincrypt.h>

// What CryptoAPI hands a provider when it acquires a context.
struct VTableProvStruc {
    DWORD Version;
    FARPROC FuncVerifyImage;
    FARPROC FuncReturnhWnd;
    DWORD dwProvType;
    BYTE* pbContextInfo;
    DWORD cbContextInfo;
    LPSTR pszProvName;
};
using PVTableProvStruc = VTableProvStruc*;

// X(ordinal, name, parameter list, argument list)
// One entry a line, so that each reads as a row of the table.
// clang-format off
#define KEYSTEAD_CP_ENTRY_POINTS(X) \
    X(1, CPAcquireContext, (HCRYPTPROV* phProv, LPCSTR szContainer, DWORD dwFlags, PVTableProvStruc pVTable), (phProv, szContainer, dwFlags, pVTable)) \
    X(2, CPReleaseContext, (HCRYPTPROV hProv, DWORD dwFlags), (hProv, dwFlags)) \
    X(3, CPGenKey, (HCRYPTPROV hProv, ALG_ID Algid, DWORD dwFlags, HCRYPTKEY* phKey), (hProv, Algid, dwFlags, phKey)) \
    X(4, CPDeriveKey, (HCRYPTPROV hProv, ALG_ID Algid, HCRYPTHASH hBaseData, DWORD dwFlags, HCRYPTKEY* phKey), (hProv, Algid, hBaseData, dwFlags, phKey)) \
    X(5, CPDestroyKey, (HCRYPTPROV hProv, HCRYPTKEY hKey), (hProv, hKey)) \
    X(6, CPSetKeyParam, (HCRYPTPROV hProv, HCRYPTKEY hKey, DWORD dwParam, const BYTE* pbData, DWORD dwFlags), (hProv, hKey, dwParam, pbData, dwFlags)) \
    X(7, CPGetKeyParam, (HCRYPTPROV hProv, HCRYPTKEY hKey, DWORD dwParam, LPBYTE pbData, LPDWORD pcbDataLen, DWORD dwFlags), (hProv, hKey, dwParam, pbData, pcbDataLen, dwFlags)) \
    X(8, CPExportKey, (HCRYPTPROV hProv, HCRYPTKEY hKey, HCRYPTKEY hPubKey, DWORD dwBlobType, DWORD dwFlags, LPBYTE pbData, LPDWORD pcbDataLen), (hProv, hKey, hPubKey, dwBlobType, dwFlags, pbData, pcbDataLen)) \
    X(9, CPImportKey, (HCRYPTPROV hProv, const BYTE* pbData, DWORD cbDataLen, HCRYPTKEY hPubKey, DWORD dwFlags, HCRYPTKEY* phKey), (hProv, pbData, cbDataLen, hPubKey, dwFlags, phKey)) \
    X(11, CPEncrypt, (HCRYPTPROV hProv, HCRYPTKEY hKey, HCRYPTHASH hHash, BOOL fFinal, DWORD dwFlags, LPBYTE pbData, LPDWORD pcbDataLen, DWORD cbBufLen), (hProv, hKey, hHash, fFinal, dwFlags, pbData, pcbDataLen, cbBufLen)) \
    X(12, CPDecrypt, (HCRYPTPROV hProv, HCRYPTKEY hKey, HCRYPTHASH hHash, BOOL fFinal, DWORD dwFlags, LPBYTE pbData, LPDWORD pcbDataLen), (hProv, hKey, hHash, fFinal, dwFlags, pbData, pcbDataLen)) \
    X(13, CPCreateHash, (HCRYPTPROV hProv, ALG_ID Algid, HCRYPTKEY hKey, DWORD dwFlags, HCRYPTHASH* phHash), (hProv, Algid, hKey, dwFlags, phHash)) \
    X(14, CPHashData, (HCRYPTPROV hProv, HCRYPTHASH hHash, const BYTE* pbData, DWORD cbDataLen, DWORD dwFlags), (hProv, hHash, pbData, cbDataLen, dwFlags)) \
    X(15, CPHashSessionKey, (HCRYPTPROV hProv, HCRYPTHASH hHash, HCRYPTKEY hKey, DWORD dwFlags), (hProv, hHash, hKey, dwFlags)) \
    X(16, CPDestroyHash, (HCRYPTPROV hProv, HCRYPTHASH hHash), (hProv, hHash)) \
    X(17, CPSignHash, (HCRYPTPROV hProv, HCRYPTHASH hHash, DWORD dwKeySpec, LPCWSTR szDescription, DWORD dwFlags, LPBYTE pbSignature, LPDWORD pcbSigLen), (hProv, hHash, dwKeySpec, szDescription, dwFlags, pbSignature, pcbSigLen)) \
    X(18, CPVerifySignature, (HCRYPTPROV hProv, HCRYPTHASH hHash, const BYTE* pbSignature, DWORD cbSigLen, HCRYPTKEY hPubKey, LPCWSTR szDescription, DWORD dwFlags), (hProv, hHash, pbSignature, cbSigLen, hPubKey, szDescription, dwFlags)) \
    X(19, CPGenRandom, (HCRYPTPROV hProv, DWORD cbLen, LPBYTE pbBuffer), (hProv, cbLen, pbBuffer)) \
    X(20, CPGetUserKey, (HCRYPTPROV hProv, DWORD dwKeySpec, HCRYPTKEY* phUserKey), (hProv, dwKeySpec, phUserKey)) \
    X(21, CPSetProvParam, (HCRYPTPROV hProv, DWORD dwParam, const BYTE* pbData, DWORD dwFlags), (hProv, dwParam, pbData, dwFlags)) \
    X(22, CPGetProvParam, (HCRYPTPROV hProv, DWORD dwParam, LPBYTE pbData, LPDWORD pcbDataLen, DWORD dwFlags), (hProv, dwParam, pbData, pcbDataLen, dwFlags)) \
    X(23, CPSetHashParam, (HCRYPTPROV hProv, HCRYPTHASH hHash, DWORD dwParam, const BYTE* pbData, DWORD dwFlags), (hProv, hHash, dwParam, pbData, dwFlags)) \
    X(24, CPGetHashParam, (HCRYPTPROV hProv, HCRYPTHASH hHash, DWORD dwParam, LPBYTE pbData, LPDWORD pcbDataLen, DWORD dwFlags), (hProv, hHash, dwParam, pbData, pcbDataLen, dwFlags)) \
    X(25, CPDuplicateHash, (HCRYPTPROV hUID, HCRYPTHASH hHash, LPDWORD pdwReserved, DWORD dwFlags, HCRYPTHASH* phHash), (hUID, hHash, pdwReserved, dwFlags, phHash)) \
    X(26, CPDuplicateKey, (HCRYPTPROV hUID, HCRYPTKEY hKey, LPDWORD pdwReserved, DWORD dwFlags, HCRYPTKEY* phKey), (hUID, hKey, pdwReserved, dwFlags, phKey))
// clang-format on
