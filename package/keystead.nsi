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
;               --root); Keystead makes a token's root certificate a root only when it is named,
;               so a package without it trusts no token root
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
; Windows counts the users of a shared file here, by its path; the setup counts once per
; installation and says so in its uninstall key.
!define SHARED_DLLS_KEY "Software\Microsoft\Windows\CurrentVersion\SharedDLLs"
!define SHARED_COUNTED "SharedDLLsCounted"

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

Page directory "" "" CheckFolderOnLeave
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

; Whether the installation folder may be taken: it is not there yet, it is empty, or it holds a
; previous Keystead and nothing else. A folder that holds anything else may hold what someone
; planted beside Keystead, and its permissions are not the setup's to change. Leaves the state.
!define FOREIGN_FOLDER_TEXT "$INSTDIR already holds other files. ${PRODUCT} is installed only into a new or empty folder, or over an earlier ${PRODUCT}: choose another folder."
Function CheckFolderOnLeave
  KeysteadSetup::FolderState "$INSTDIR"
  Pop $0
  ${If} $0 == "foreign"
    MessageBox MB_OK|MB_ICONEXCLAMATION "${FOREIGN_FOLDER_TEXT}"
    Abort ; stays on the page
  ${EndIf}
FunctionEnd

; Makes the installation folder, or stops the setup having written nothing. A folder outside
; Program Files is made by the plug-in with the permissions Program Files has, owner and all, in
; the call that creates it (the NT family from 2000 on): administrators and the system change
; it, users only read and run what is in it, so nobody can plant a library beside Keystead or
; replace its uninstaller. Inside Program Files the folder inherits just that.
Function MakeInstallFolder
  KeysteadSetup::FolderState "$INSTDIR"
  Pop $0
  ${If} $0 == "foreign"
    MessageBox MB_OK|MB_ICONSTOP "${FOREIGN_FOLDER_TEXT}" /SD IDOK
    SetErrorLevel 3
    Abort "${FOREIGN_FOLDER_TEXT}"
  ${ElseIf} $0 != "absent"
    Return ; an earlier Keystead's folder, or an empty one, as it is
  ${EndIf}
!ifdef NSIS_UNICODE
  ${IfNot} $INSTDIR == "$PROGRAMFILES\${PRODUCT}"
  ${AndIfNot} $INSTDIR == "$PROGRAMFILES64\${PRODUCT}"
    ; Full control: the system, administrators, and the creator of what is made in it; read and
    ; run: users. Owner: administrators.
    KeysteadSetup::CreateSecureFolder "$INSTDIR" \
      "O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)(A;OICIIO;FA;;;CO)"
    Pop $0
    ${If} $0 != 1
      MessageBox MB_OK|MB_ICONSTOP "$INSTDIR could not be made so that only administrators may change it. ${PRODUCT} was not installed." /SD IDOK
      SetErrorLevel 4
      Abort "$INSTDIR could not be secured"
    ${EndIf}
    Return
  ${EndIf}
!endif
  CreateDirectory "$INSTDIR"
FunctionEnd

; Counts this installation as one more user of a file in the system folder (Windows's shared-DLL
; count), before the file is copied: a file that is there without a count counts one for
; whoever put it there, unless an earlier Keystead that did not count put it there ($R9 = 1).
Function AddSharedUse
  Exch $0
  Push $1
  ClearErrors
  ReadRegDWORD $1 HKLM "${SHARED_DLLS_KEY}" "$0"
  ${If} ${Errors}
    StrCpy $1 0
    ${If} ${FileExists} "$0"
    ${AndIf} $R9 != 1
      StrCpy $1 1
    ${EndIf}
  ${EndIf}
  IntOp $1 $1 + 1
  WriteRegDWORD HKLM "${SHARED_DLLS_KEY}" "$0" $1
  Pop $1
  Pop $0
FunctionEnd

Section "${PRODUCT}"
  Call MakeInstallFolder
  Call EndKeystead

  ; The Simplified Chinese resource set on a Simplified Chinese system, English elsewhere.
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

  ; Counted once per installation; an installation by an earlier setup that did not count put
  ; the files there that have no count.
  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "${SHARED_COUNTED}"
  ${If} $0 != 1
    StrCpy $R9 0
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "UninstallString"
    ${If} $0 != ""
      StrCpy $R9 1
    ${EndIf}
    Push "$SYSDIR\${PROVIDER_FILE}"
    Call AddSharedUse
!ifdef VENDOR_DIR
    Push "$SYSDIR\${VENDOR_FILE}"
    Call AddSharedUse
!endif
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "${SHARED_COUNTED}" 1
  ${EndIf}
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

  ; The bank's roots, as this package names them. Keystead makes a token's certificate a root only
  ; when this list names it: a package that names none trusts no token root.
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
  ${ElseIf} ${Silent}
    ; A silent install is a deployment, often as the system or as an administrator with no
    ; desktop of their own: Keystead would scan into that account's stores. The Run value starts
    ; it at each user's next sign-in.
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

; Takes this installation's use of a system-folder file away from its shared-DLL count; leaves 1
; when nobody else counts on the file, which may then go, 0 while another installation does.
Function un.ReleaseSharedUse
  Exch $0
  Push $1
  ClearErrors
  ReadRegDWORD $1 HKLM "${SHARED_DLLS_KEY}" "$0"
  ${If} ${Errors}
    StrCpy $1 1 ; uncounted: only this installation's
  ${EndIf}
  IntOp $1 $1 - 1
  ${If} $1 > 0
    WriteRegDWORD HKLM "${SHARED_DLLS_KEY}" "$0" $1
    StrCpy $0 0
  ${Else}
    DeleteRegValue HKLM "${SHARED_DLLS_KEY}" "$0"
    StrCpy $0 1
  ${EndIf}
  Pop $1
  Exch $0
FunctionEnd

Section "Uninstall"
  Call un.EndKeystead
  Call un.RemoveProviderCertificates
  Call un.RemoveAddedRoots
  ; Only emptied by the roots that went: one that stays stays recorded.
  DeleteRegKey /ifempty HKCU "${ADDED_ROOTS_KEY}"
  DeleteRegKey HKCU "${EXPIRY_ANNOUNCED_KEY}"
  DeleteRegKey /ifempty HKCU "Software\${PRODUCT}"
  DeleteRegKey HKLM "${ROOTS_KEY}"
  DeleteRegKey /ifempty HKLM "Software\${PRODUCT}"

  DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  ; The provider's file and key stay while another installation still counts on the file.
  Push "$SYSDIR\${PROVIDER_FILE}"
  Call un.ReleaseSharedUse
  Pop $0
  ${If} $0 = 1
    DeleteRegKey HKLM "${PROVIDER_KEY}"
    !insertmacro UnInstallLib DLL NOTSHARED REBOOT_NOTPROTECTED "$SYSDIR\${PROVIDER_FILE}"
  ${EndIf}
!ifdef VENDOR_DIR
  Push "$SYSDIR\${VENDOR_FILE}"
  Call un.ReleaseSharedUse
  Pop $0
  ${If} $0 = 1
    !insertmacro UnInstallLib DLL NOTSHARED REBOOT_NOTPROTECTED "$SYSDIR\${VENDOR_FILE}"
  ${EndIf}
!endif
  Delete "$INSTDIR\Keystead.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
