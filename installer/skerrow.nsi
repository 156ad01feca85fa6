; The Windows installer of Skerrow, made by scripts/build-installer.sh:
;
;   makensis -DWIDTH=32|64 -DSTAGE=FOLDER -DOUTFILE=SETUP.EXE installer/skerrow.nsi
;
; STAGE holds what goes into the program's folder: skerrow.exe,
; skerrow-snapshot.exe, skerrow-feed.exe, SkerrowHelp.htm, the starter setup
; file Skerrow020.SET and the demo log spots.log (the folder the zip holds).
;
; Per user, no administrator: into %LOCALAPPDATA%\Programs\Skerrow, where the
; setup file beside the monitor stays writable. The setup file and the spot
; log are the user's: an installation over an older one keeps them, and the
; uninstaller keeps them unless its second component is ticked (a silent
; uninstall keeps them).

Unicode true
!if ${WIDTH} == 64
  Target amd64-unicode
  !define SUFFIX " (64-bit)"
!else
  Target x86-unicode
  !define SUFFIX ""
!endif

!include LogicLib.nsh

!define VERSION "0.20"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Skerrow"
!define SETUP_FILE "Skerrow020.SET"
!define SPOT_LOG "spots.log"

Name "Skerrow ${VERSION}${SUFFIX}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Skerrow"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show
XPStyle on
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "Skerrow"
VIAddVersionKey "FileDescription" "Skerrow ${VERSION} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" ""

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage components
UninstPage instfiles

Section "Skerrow" program
  SectionIn RO
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "${STAGE}\skerrow.exe"
  File "${STAGE}\skerrow-snapshot.exe"
  File "${STAGE}\skerrow-feed.exe"
  File "${STAGE}\SkerrowHelp.htm"
  ; The user's own files: laid down the first time only.
  ${IfNot} ${FileExists} "$INSTDIR\${SETUP_FILE}"
    File "${STAGE}\${SETUP_FILE}"
  ${EndIf}
  ${IfNot} ${FileExists} "$INSTDIR\${SPOT_LOG}"
    File "${STAGE}\${SPOT_LOG}"
  ${EndIf}
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\Skerrow"
  CreateShortCut "$SMPROGRAMS\Skerrow\Skerrow.lnk" "$INSTDIR\skerrow.exe" "" "$INSTDIR\skerrow.exe" 0 \
    SW_SHOWNORMAL "" "The spot monitor"
  CreateShortCut "$SMPROGRAMS\Skerrow\Skerrow feeder.lnk" "$INSTDIR\skerrow-feed.exe" "--follow --udp" \
    "$INSTDIR\skerrow-feed.exe" 0 SW_SHOWMINIMIZED "" "Keeps spots.log current from the decoder's files and network messages"
  CreateShortCut "$SMPROGRAMS\Skerrow\Skerrow help.lnk" "$INSTDIR\SkerrowHelp.htm"
  CreateShortCut "$SMPROGRAMS\Skerrow\Skerrow setup file.lnk" "$WINDIR\notepad.exe" '"$INSTDIR\${SETUP_FILE}"'

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Skerrow ${VERSION}${SUFFIX}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\skerrow.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "un.Skerrow (the program)" un_program
  SectionIn RO
  SetShellVarContext current
  Delete "$SMPROGRAMS\Skerrow\Skerrow.lnk"
  Delete "$SMPROGRAMS\Skerrow\Skerrow feeder.lnk"
  Delete "$SMPROGRAMS\Skerrow\Skerrow help.lnk"
  Delete "$SMPROGRAMS\Skerrow\Skerrow setup file.lnk"
  RMDir "$SMPROGRAMS\Skerrow"
  Delete "$INSTDIR\skerrow.exe"
  Delete "$INSTDIR\skerrow-snapshot.exe"
  Delete "$INSTDIR\skerrow-feed.exe"
  Delete "$INSTDIR\skerrow-feed.log"
  Delete "$INSTDIR\SkerrowHelp.htm"
  Delete "$INSTDIR\uninstall.exe"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.Your setup file and spot log" un_user_files
  Delete "$INSTDIR\${SETUP_FILE}"
  Delete "$INSTDIR\${SPOT_LOG}"
  Delete "$INSTDIR\${SPOT_LOG}.tmp"
SectionEnd

Section "-un.folder"
  RMDir "$INSTDIR"  ; only when nothing of the user's is left in it
SectionEnd
