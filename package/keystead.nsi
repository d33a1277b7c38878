; Keystead's setup. Both setup programs of the package come from this one script; scripts/package
; gives what differs between them as defines:
;   TARGET      makensis target: x86-ansi (9x family), x86-unicode (NT family), amd64-unicode
;   OUTFILE     the setup program to write
;   BIN_DIR     the programs: Keystead.exe, zh-CN\Keystead.exe, ZQ_CSP.dll
;   VERSION     the resource set's version, a.b.c.d
;   VENDOR_DIR  optional: the folder holding the token vendor's ZQCSP.dll
;   DEMO        optional: the vendor library is the simulator's stand-in
;   FAMILY      the Windows family the setup is for, for its description
;   ROOTS       optional: an include that names the bank's root certificates (scripts/package
;               --root), so that Keystead trusts no other root a token carries
;   PLUGIN_DIR  for x86-ansi: the folder of KeysteadSetup.dll, the 9x setup's own plug-in
;   SIGN_COMMAND optional: a command that signs the file it is given in place (scripts/package
;               --sign); the uninstaller is signed with it as it is written

!ifndef TARGET | OUTFILE | BIN_DIR | VERSION | FAMILY
  !error "scripts/package gives TARGET, OUTFILE, BIN_DIR, VERSION and FAMILY"
!endif

Target ${TARGET}
!ifdef SIGN_COMMAND
  !uninstfinalize '"${SIGN_COMMAND}" "%1"' = 0
!endif
!if "${TARGET}" == "amd64-unicode"
  !define LIBRARY_X64
!endif
; A library in the system folder may be held by a browser that uses the provider: it is then
; replaced or removed at the next start, whatever the versions say.
!define LIBRARY_IGNORE_VERSION
; Kestrun looks for the 9x family's setup under this fixed name.
!pragma warning disable 9000 ; "Setup.exe" is an insecure file name
!include LogicLib.nsh
!include WinVer.nsh
!include x64.nsh
!include Library.nsh

; The 9x family's setup calls the system through a plug-in of its own: NSIS's System plug-in has a
; static TLS directory, which Windows 95 refuses in a library loaded at run time.
!ifndef NSIS_UNICODE
  !ifndef PLUGIN_DIR
    !error "scripts/package gives PLUGIN_DIR for the x86-ansi setup"
  !endif
  !addplugindir /x86-ansi "${PLUGIN_DIR}"
!endif

!define PRODUCT "Keystead"
!define PUBLISHER "Keystead Project"
!define PROVIDER_NAME "VELQ Cryptographic Service Provider v2.0.0"
!define PROVIDER_KEY "SOFTWARE\Microsoft\Cryptography\Defaults\Provider\${PROVIDER_NAME}"
; The installation check looks for these two names in the system folder.
!define PROVIDER_FILE "VELQ_CSP.dll"
!define VENDOR_FILE "ZQCSP.dll"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define END_REQUEST 1027 ; WM_USER + 3: Keystead ends without asking
!define CERT_KEY_PROV_INFO_PROP_ID 2
!define CERT_SHA1_HASH_PROP_ID 3
; Where the machine names the bank's roots, and where Keystead records, per user, the roots it
; added: one value a root, named by its SHA-1 thumbprint.
!define ROOTS_KEY "Software\Keystead\Roots"
!define ADDED_ROOTS_KEY "Software\Keystead\AddedRoots"
; The days Keystead last warned of each expiring certificate.
!define EXPIRY_ANNOUNCED_KEY "Software\Keystead\ExpiryAnnounced"
!define CERT_STORE_PROV_SYSTEM_REGISTRY_A 12
!define CERT_STORE_PROV_SYSTEM_REGISTRY_W 13
!define CERT_SYSTEM_STORE_CURRENT_USER 0x10000

!ifdef DEMO
  !define EDITION " (demo: simulated token library)"
!else
  !define EDITION ""
!endif

Name "${PRODUCT}"
Caption "${PRODUCT}${EDITION} Setup"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
; The provider goes into the system folder and the machine's registry.
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show
XPStyle on

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}${EDITION}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT}${EDITION} Setup for ${FAMILY}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"
!ifdef DEMO
  VIAddVersionKey "Comments" "Carries the simulator's stand-in for the vendor's token library; not for customers."
!endif

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Ends every running Keystead and waits for its process, so its files can be replaced or removed.
!macro END_KEYSTEAD un
Function ${un}EndKeystead
  Push $0
  Push $1
  Push $2
  Push $3
  StrCpy $3 0
  ${Do}
    FindWindow $0 "#32770" "${PRODUCT}"
    ${If} $0 = 0
    ${OrIf} $3 >= 5
      ${Break}
    ${EndIf}
    StrCpy $1 0
!ifdef NSIS_UNICODE
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1)'
    System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i r1) p .r2' ; SYNCHRONIZE
!else
    KeysteadSetup::OpenWindowProcess $0
    Pop $2
!endif
    SendMessage $0 ${END_REQUEST} 0 0 /TIMEOUT=5000
    ${If} $2 != 0
!ifdef NSIS_UNICODE
      System::Call 'kernel32::WaitForSingleObject(p r2, i 10000)'
      System::Call 'kernel32::CloseHandle(p r2)'
!else
      KeysteadSetup::WaitAndClose $2 10000
      Pop $1
!endif
    ${Else}
      Sleep 1000
    ${EndIf}
    IntOp $3 $3 + 1
  ${Loop}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro END_KEYSTEAD ""
!insertmacro END_KEYSTEAD "un."

Function .onInit
  ; One setup at a time.
!ifdef NSIS_UNICODE
  System::Call 'kernel32::CreateMutexW(p 0, i 0, w "Keystead Setup") p .r0 ?e'
!else
  KeysteadSetup::HoldSetupMutex "Keystead Setup"
!endif
  Pop $1
  ${If} $1 = 183 ; ERROR_ALREADY_EXISTS
    MessageBox MB_OK|MB_ICONEXCLAMATION "${PRODUCT} Setup is already running." /SD IDOK
    Abort
  ${EndIf}
FunctionEnd

!ifdef NSIS_UNICODE
; A folder outside Program Files gets the permissions Program Files has: administrators and the
; system change it, users only read and run what is in it, so nobody can plant a library beside
; Keystead. What was inherited from the parent is cut off. (The NT family from 2000 on.)
Function SecureInstallFolder
  ${If} $INSTDIR == "$PROGRAMFILES\${PRODUCT}"
  ${OrIf} $INSTDIR == "$PROGRAMFILES64\${PRODUCT}"
    Return
  ${EndIf}
  StrCpy $0 0
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w "D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)(A;OICIIO;FA;;;CO)", i 1, *p .r0, p 0) i .r1'
  ${If} $1 == 0
    DetailPrint "The permissions of $INSTDIR could not be set"
    Return
  ${EndIf}
  System::Call 'advapi32::GetSecurityDescriptorDacl(p r0, *i .r2, *p .r3, *i .r4) i .r1'
  ; SE_FILE_OBJECT; DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION
  System::Call 'advapi32::SetNamedSecurityInfoW(w "$INSTDIR", i 1, i 0x80000004, p 0, p 0, p r3, p 0) i .r1'
  ${If} $1 != 0
    DetailPrint "The permissions of $INSTDIR could not be set"
  ${EndIf}
  System::Call 'kernel32::LocalFree(p r0)'
FunctionEnd
!endif

Section "${PRODUCT}"
  Call EndKeystead

  ; The Simplified Chinese resource set on a Simplified Chinese system, English elsewhere.
  CreateDirectory "$INSTDIR"
!ifdef NSIS_UNICODE
  Call SecureInstallFolder
!endif
  SetOutPath "$INSTDIR"
!ifdef NSIS_UNICODE
  System::Call 'kernel32::GetSystemDefaultLangID() i .r0'
!else
  KeysteadSetup::SystemLanguage
  Pop $0
!endif
  IntOp $0 $0 & 0xFFFF
  ${If} $0 = 0x0804   ; Chinese (PRC)
  ${OrIf} $0 = 0x1004 ; Chinese (Singapore)
    File "/oname=Keystead.exe" "${BIN_DIR}\zh-CN\Keystead.exe"
  ${Else}
    File "/oname=Keystead.exe" "${BIN_DIR}\Keystead.exe"
  ${EndIf}
  WriteUninstaller "$INSTDIR\uninstall.exe"

  !insertmacro InstallLib DLL NOTSHARED REBOOT_NOTPROTECTED "${BIN_DIR}\ZQ_CSP.dll" \
    "$SYSDIR\${PROVIDER_FILE}" "$SYSDIR"
!ifdef VENDOR_DIR
  !insertmacro InstallLib DLL NOTSHARED REBOOT_NOTPROTECTED "${VENDOR_DIR}\ZQCSP.dll" \
    "$SYSDIR\${VENDOR_FILE}" "$SYSDIR"
!endif

  WriteRegStr HKLM "${PROVIDER_KEY}" "Image Path" "$SYSDIR\${PROVIDER_FILE}"
  WriteRegDWORD HKLM "${PROVIDER_KEY}" "Type" 1
  ; The provider's signature is in its file (resource 666), so no "Signature" value.
  WriteRegDWORD HKLM "${PROVIDER_KEY}" "SigInFile" 1
  DeleteRegValue HKLM "${PROVIDER_KEY}" "Signature"

  WriteRegStr HKLM "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\Keystead.exe"'

  ; The bank's roots, as this package names them; a package that names none lets Keystead take
  ; any self-signed CA root a token carries.
  DeleteRegKey HKLM "${ROOTS_KEY}"
!ifdef ROOTS
  !include "${ROOTS}"
!endif

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}${EDITION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Keystead.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  ${If} ${RebootFlag}
    MessageBox MB_OK|MB_ICONINFORMATION "A program still uses the token's library. Restart Windows to complete the installation of ${PRODUCT}." /SD IDOK
  ${ElseIf} ${AtLeastWinVista}
    ; The setup runs elevated, often with an administrator's credentials: Keystead must run as
    ; the signed-in user, with that user's stores, so the shell starts it.
    Exec '"$WINDIR\explorer.exe" "$INSTDIR\Keystead.exe"'
  ${Else}
    ; No elevation before the Vista family: the setup already runs as the signed-in user.
    Exec '"$INSTDIR\Keystead.exe"'
  ${EndIf}
SectionEnd

; Removes from the user's "MY" store every certificate whose key provider information names
; the provider this package registered; every other certificate stays. Keystead registers into
; the user's registry store behind "MY", and a deletion made there lasts on every system (one
; made through the system store's collection may not on some), so that store goes first and the
; collection then takes what other stores behind "MY" hold.
!ifndef NSIS_UNICODE
; The 9x family's uninstaller has its plug-in do it, in the same order.
Function un.RemoveProviderCertificates
  KeysteadSetup::RemoveProviderCertificates "${PROVIDER_NAME}"
  Pop $0
  DetailPrint "Certificates of ${PROVIDER_NAME} removed: $0"
FunctionEnd

; Removes from the user's "ROOT" store the roots Keystead recorded as its own, and no others.
Function un.RemoveAddedRoots
  KeysteadSetup::RemoveAddedRoots "${ADDED_ROOTS_KEY}"
  Pop $0
  DetailPrint "Root certificates ${PRODUCT} added, removed: $0"
FunctionEnd
!else
Function un.RemoveProviderCertificates
  System::Call 'crypt32::CertOpenStore(p ${CERT_STORE_PROV_SYSTEM_REGISTRY_W}, i 0, p 0, i ${CERT_SYSTEM_STORE_CURRENT_USER}, w "MY") p .r0'
  Call un.RemoveProviderCertificatesFrom
  System::Call 'crypt32::CertOpenSystemStoreW(p 0, w "MY") p .r0'
  Call un.RemoveProviderCertificatesFrom
FunctionEnd

; The same for the store $0, which it closes. Each pass looks for one certificate from the
; start, since an enumeration need not go on past a certificate deleted under it; a bounded
; number of passes, since a deletion need not show in the open store at once.
Function un.RemoveProviderCertificatesFrom
  ${If} $0 == 0
    Return
  ${EndIf}
  StrCpy $9 0
  ${Do}
    StrCpy $1 0
    ${Do}
      System::Call 'crypt32::CertEnumCertificatesInStore(p r0, p r1) p .r1'
      ${If} $1 == 0
        ${Break}
      ${EndIf}
      Call un.ProviderOfCertificate
      Pop $7
      ${If} $7 == "${PROVIDER_NAME}"
        ${Break}
      ${EndIf}
    ${Loop}
    ${If} $1 == 0
      ${Break}
    ${EndIf}
    ; Frees the context the enumeration handed out.
    System::Call 'crypt32::CertDeleteCertificateFromStore(p r1) i .r3'
    ${If} $3 == 0
      DetailPrint "A certificate of ${PROVIDER_NAME} could not be removed"
      ${Break}
    ${EndIf}
    DetailPrint "Removed a certificate of ${PROVIDER_NAME}"
    IntOp $9 $9 + 1
  ${LoopUntil} $9 >= 1000
  System::Call 'crypt32::CertCloseStore(p r0, i 0)'
FunctionEnd

; Pushes the provider named in the key provider information of certificate context $1, or "".
Function un.ProviderOfCertificate
  StrCpy $7 ""
  StrCpy $2 0
  System::Call 'crypt32::CertGetCertificateContextProperty(p r1, i ${CERT_KEY_PROV_INFO_PROP_ID}, p 0, *i r2 r2) i .r3'
  ${If} $3 != 0
  ${AndIf} $2 > 0
    System::Alloc $2
    Pop $4
    ${If} $4 != 0
      System::Call 'crypt32::CertGetCertificateContextProperty(p r1, i ${CERT_KEY_PROV_INFO_PROP_ID}, p r4, *i r2 r2) i .r3'
      ${If} $3 != 0
        ; CRYPT_KEY_PROV_INFO: the container's name, then the provider's.
        System::Call '*$4(p .r5, p .r6)'
        ${If} $6 != 0
          System::Call 'kernel32::lstrcpynW(w .r7, p r6, i ${NSIS_MAX_STRLEN})'
        ${EndIf}
      ${EndIf}
      System::Free $4
    ${EndIf}
  ${EndIf}
  Push $7
FunctionEnd

; Pushes the SHA-1 thumbprint of certificate context $1 in upper-case hexadecimal, or "".
Function un.ThumbprintOfCertificate
  StrCpy $7 ""
  System::Alloc 20
  Pop $4
  StrCpy $2 20
  System::Call 'crypt32::CertGetCertificateContextProperty(p r1, i ${CERT_SHA1_HASH_PROP_ID}, p r4, *i r2 r2) i .r3'
  ${If} $3 != 0
  ${AndIf} $2 = 20
    StrCpy $6 0
    ${Do}
      IntOp $5 $4 + $6
      System::Call '*$5(&i1 .r5)'
      IntOp $5 $5 & 0xFF
      IntFmt $5 "%02X" $5
      StrCpy $7 "$7$5"
      IntOp $6 $6 + 1
    ${LoopUntil} $6 >= 20
  ${EndIf}
  System::Free $4
  Push $7
FunctionEnd

; Removes from the user's "ROOT" store the roots Keystead recorded as its own, and no others.
Function un.RemoveAddedRoots
  System::Call 'crypt32::CertOpenStore(p ${CERT_STORE_PROV_SYSTEM_REGISTRY_W}, i 0, p 0, i ${CERT_SYSTEM_STORE_CURRENT_USER}, w "ROOT") p .r0' 
  ${If} $0 == 0
    Return
  ${EndIf}
  StrCpy $9 0
  ${Do}
    StrCpy $1 0
    ${Do}
      System::Call 'crypt32::CertEnumCertificatesInStore(p r0, p r1) p .r1'
      ${If} $1 == 0
        ${Break}
      ${EndIf}
      Call un.ThumbprintOfCertificate
      Pop $7
      ${If} $7 != ""
        ClearErrors
        ReadRegStr $8 HKCU "${ADDED_ROOTS_KEY}" $7
        ${IfNot} ${Errors}
          ${Break}
        ${EndIf}
      ${EndIf}
    ${Loop}
    ${If} $1 == 0
      ${Break}
    ${EndIf}
    System::Call 'crypt32::CertDeleteCertificateFromStore(p r1) i .r3'
    ${If} $3 == 0
      DetailPrint "A root certificate ${PRODUCT} added could not be removed"
      ${Break}
    ${EndIf}
    DeleteRegValue HKCU "${ADDED_ROOTS_KEY}" $7
    DetailPrint "Removed a root certificate ${PRODUCT} added"
    IntOp $9 $9 + 1
  ${LoopUntil} $9 >= 100
  System::Call 'crypt32::CertCloseStore(p r0, i 0)'
FunctionEnd
!endif

Section "Uninstall"
  Call un.EndKeystead
  Call un.RemoveProviderCertificates
  Call un.RemoveAddedRoots
  DeleteRegKey HKCU "${ADDED_ROOTS_KEY}"
  DeleteRegKey HKCU "${EXPIRY_ANNOUNCED_KEY}"
  DeleteRegKey /ifempty HKCU "Software\${PRODUCT}"
  DeleteRegKey HKLM "${ROOTS_KEY}"
  DeleteRegKey /ifempty HKLM "Software\${PRODUCT}"

  DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
  DeleteRegKey HKLM "${PROVIDER_KEY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  !insertmacro UnInstallLib DLL NOTSHARED REBOOT_NOTPROTECTED "$SYSDIR\${PROVIDER_FILE}"
!ifdef VENDOR_DIR
  !insertmacro UnInstallLib DLL NOTSHARED REBOOT_NOTPROTECTED "$SYSDIR\${VENDOR_FILE}"
!endif
  Delete "$INSTDIR\Keystead.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
