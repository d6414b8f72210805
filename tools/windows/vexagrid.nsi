; The VexaGrid-3 installer. Made by tools/windows/package.sh, which passes
;   VERSION    the program's version
;   OUTFILE    the installer to write
;   FILES_DIR  the folder with install-files.nsh and uninstall-files.nsh (the file lists)
; Silent use: setup.exe /S [/D=C:\folder], uninstall.exe /S.

; A 64-bit installer for the 64-bit program (it also runs where no 32-bit layer is, as
; under a 64-bit-only wine).
Target amd64-unicode
SetCompressor /SOLID lzma

!define PRODUCT "VexaGrid-3 letöltő szoftver"
!define MAKER "VexaGrid Kft."
!define MENU_FOLDER "VexaGrid-3"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\VexaGrid-3"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\VexaGrid-3"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1038 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1038 "CompanyName" "${MAKER}"
VIAddVersionKey /LANG=1038 "FileDescription" "${PRODUCT} telepítő"
VIAddVersionKey /LANG=1038 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1038 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1038 "LegalCopyright" "© 2016 ${MAKER}"

LoadLanguageFile "${NSISDIR}/Contrib/Language files/Hungarian.nlf"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Install"
  ; Shortcuts and the uninstall entry for every user of the machine.
  SetShellVarContext all
  !include "${FILES_DIR}/install-files.nsh"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; A shortcut's working folder is the output folder at the time it is made: the program
  ; then starts in its own folder and finds its runtime files there.
  SetOutPath "$INSTDIR"
  CreateDirectory "$SMPROGRAMS\${MENU_FOLDER}"
  CreateShortcut "$SMPROGRAMS\${MENU_FOLDER}\${PRODUCT}.lnk" "$INSTDIR\vexagrid.exe"
  CreateShortcut "$SMPROGRAMS\${MENU_FOLDER}\Kézikönyv.lnk" "$INSTDIR\vexagrid-help.pdf"
  CreateShortcut "$SMPROGRAMS\${MENU_FOLDER}\Eltávolítás.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${MAKER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vexagrid.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  ; Only what the installer put there: a folder that holds anything else stays.
  !include "${FILES_DIR}/uninstall-files.nsh"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${MENU_FOLDER}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${MENU_FOLDER}\Kézikönyv.lnk"
  Delete "$SMPROGRAMS\${MENU_FOLDER}\Eltávolítás.lnk"
  RMDir "$SMPROGRAMS\${MENU_FOLDER}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
