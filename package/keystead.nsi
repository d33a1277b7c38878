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
;   PLUGIN_DIR  the folder whose TARGET subfolder holds KeysteadSetup.dll, the setups' own plug-in
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

; The setups call the system through a plug-in of their own: NSIS's System plug-in has a static
; TLS directory, which Windows 95 refuses in a library loaded at run time, and it is built for a
; Pentium Pro.
!ifndef PLUGIN_DIR
  !error "scripts/package gives PLUGIN_DIR"
!endif
!addplugindir /${TARGET} "${PLUGIN_DIR}/${TARGET}"

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
; Where the machine names the bank's roots, and where Keystead records, per user, the roots it
; added: one value a root, named by its SHA-1 thumbprint.
!define ROOTS_KEY "Software\Keystead\Roots"
!define ADDED_ROOTS_KEY "Software\Keystead\AddedRoots"
; The days Keystead last warned of each expiring certificate.
!define EXPIRY_ANNOUNCED_KEY "Software\Keystead\ExpiryAnnounced"

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
    KeysteadSetup::OpenWindowProcess $0
    Pop $2
    SendMessage $0 ${END_REQUEST} 0 0 /TIMEOUT=5000
    ${If} $2 != 0
      KeysteadSetup::WaitAndClose $2 10000
      Pop $1
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
  KeysteadSetup::HoldSetupMutex "Keystead Setup"
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
  ; Full control: the system, administrators, and the creator of what is made in it; read and run:
  ; users.
  KeysteadSetup::SecureFolder "$INSTDIR" \
    "D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)(A;OICIIO;FA;;;CO)"
  Pop $1
  ${If} $1 != 1
    DetailPrint "The permissions of $INSTDIR could not be set"
  ${EndIf}
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
  KeysteadSetup::SystemLanguage
  Pop $0
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
