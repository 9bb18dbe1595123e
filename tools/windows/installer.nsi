; The Windows installer of Caseloom, made by tools/build-windows.sh with
; Debian's makensis. It installs the portable folder into Program Files, adds
; a Start-menu entry and registers its uninstaller under Add/Remove Programs.
; /S installs (and uninstalls) silently. The file lists are generated from
; the portable folder: files.nsh installs, unfiles.nsh removes each of them.
; A 64-bit installer for a 64-bit program: it also runs where no 32-bit
; Windows layer is installed (wine64 alone, say).
Target amd64-unicode

Name "Caseloom"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Caseloom"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Caseloom"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Caseloom"
  !include "${FILES}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  SetShellVarContext all
  CreateShortcut "$SMPROGRAMS\Caseloom.lnk" "$INSTDIR\caseloom.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Caseloom"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Brindlecove"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\caseloom.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Caseloom.lnk"
  !include "${UNFILES}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
