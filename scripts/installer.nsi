; The Windows installer of Fotoloom, made by scripts/release.sh with makensis:
;   makensis -DVERSION=<x.y.z> -DSTAGE=<folder of the files> -DLISTS=<folder of the file lists>
;            -DOUTFILE=<installer.exe> -DICON=<file.ico> -DSIDE=<164x314 .bmp> [-DLICENCE=<file>]
;            installer.nsi
; STAGE holds exactly what is installed; release.sh writes the lists of File and Delete lines from
; it (install.nsh, uninstall.nsh), so the uninstaller removes what was installed and nothing else.
;
; Scope: a person without administrator rights gets a per-user installation in their own programs
; folder (%LOCALAPPDATA%\Programs\Fotoloom) and the .gal association in HKCU; an elevated installer
; installs for every user into Program Files with the association in HKLM. /CURRENTUSER and
; /ALLUSERS choose explicitly; /S is silent, /D=folder sets the folder.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

; No copyright line: the version resource names the product and the publisher only.
!pragma warning disable 9100

!include LogicLib.nsh
!include FileFunc.nsh
!include MUI2.nsh

!define PRODUCT "Fotoloom"
!define PUBLISHER "Fotoloom"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Fotoloom"
!define CLASSES "Software\Classes"
!define PROGID "Fotoloom"
!define UNINSTALLER "Uninstall Fotoloom.exe"
!define BROWSER_EMULATION_KEY "Software\Microsoft\Internet Explorer\Main\FeatureControl\FEATURE_BROWSER_EMULATION"

; The programs must carry the version the installer is named after.
!getdllversion "${STAGE}\Builder.exe" builder_
!if "${builder_1}.${builder_2}.${builder_3}" != "${VERSION}"
  !error "Builder.exe carries version ${builder_1}.${builder_2}.${builder_3}, the release is ${VERSION}"
!endif

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
InstallDir ""
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

Var PerMachine  ; "1" installs for every user

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${SIDE}"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${SIDE}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\Builder.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Fotoloom"
!insertmacro MUI_PAGE_WELCOME
!ifdef LICENCE
  !insertmacro MUI_PAGE_LICENSE "${LICENCE}"
!endif
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Whether this process runs elevated (its token says so; membership of Administrators is not enough).
!macro IsElevated result
  StrCpy ${result} 0
  System::Call 'advapi32::OpenProcessToken(p -1, i 0x8, *p .r8) i .r9'
  ${If} $9 <> 0
    System::Call 'advapi32::GetTokenInformation(p r8, i 20, *i .r7, i 4, *i .r6) i .r9'
    ${If} $9 <> 0
    ${AndIf} $7 <> 0
      StrCpy ${result} 1
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r8)'
  ${EndIf}
!macroend

; The .gal association of the scope in SHCTX, as Builder.exe itself writes it.
!macro WriteAssociation
  WriteRegStr SHCTX "${CLASSES}\.gal" "" "${PROGID}"
  WriteRegStr SHCTX "${CLASSES}\${PROGID}" "" "${PRODUCT}"
  WriteRegStr SHCTX "${CLASSES}\${PROGID}\DefaultIcon" "" "$INSTDIR\Builder.exe,0"
  WriteRegStr SHCTX "${CLASSES}\${PROGID}\shell\open\command" "" '"$INSTDIR\Builder.exe" "%1"'
!macroend

; Removes the association of SHCTX when it is ours (it names this folder's Builder.exe); one that
; another installation wrote since is left alone.
!macro RemoveAssociation
  ReadRegStr $0 SHCTX "${CLASSES}\${PROGID}\DefaultIcon" ""
  ${If} $0 == "$INSTDIR\Builder.exe,0"
    DeleteRegKey SHCTX "${CLASSES}\${PROGID}"
    ReadRegStr $0 SHCTX "${CLASSES}\.gal" ""
    ${If} $0 == "${PROGID}"
      DeleteRegValue SHCTX "${CLASSES}\.gal" ""
      DeleteRegKey /ifempty SHCTX "${CLASSES}\.gal"
    ${EndIf}
  ${EndIf}
!macroend

Function .onInit
  ${GetParameters} $R0
  !insertmacro IsElevated $PerMachine
  ClearErrors
  ${GetOptions} $R0 "/CURRENTUSER" $R1
  ${IfNot} ${Errors}
    StrCpy $PerMachine 0
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    ${If} $PerMachine == 0
      !insertmacro IsElevated $PerMachine
      ${If} $PerMachine == 0
        MessageBox MB_ICONSTOP "Installing for all users needs administrator rights." /SD IDOK
        SetErrorLevel 740
        Quit
      ${EndIf}
    ${EndIf}
  ${EndIf}

  ${If} $PerMachine == 1
    SetShellVarContext all
    ${If} $INSTDIR == ""
      StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
    ${EndIf}
  ${Else}
    SetShellVarContext current
    ${If} $INSTDIR == ""
      StrCpy $INSTDIR "$LOCALAPPDATA\Programs\${PRODUCT}"
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Fotoloom"
  SetOutPath "$INSTDIR"
  !include "${LISTS}\install.nsh"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Builder.exe" "" "$INSTDIR\Builder.exe" 0

  !insertmacro WriteAssociation
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

  ; Apps & features
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Builder.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The uninstaller learns its scope from where its Apps & features entry is.
Function un.onInit
  StrCpy $PerMachine 0
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == "$INSTDIR"
    !insertmacro IsElevated $PerMachine
    ${If} $PerMachine == 0
      MessageBox MB_ICONSTOP "Fotoloom was installed for all users; removing it needs administrator rights." /SD IDOK
      SetErrorLevel 740
      Quit
    ${EndIf}
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

Section "Uninstall"
  !include "${LISTS}\uninstall.nsh"
  Delete "$INSTDIR\${UNINSTALLER}"
  ; The recent list the program keeps beside itself, or per user where that folder is not writable.
  Delete "$INSTDIR\last.ini"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"

  !insertmacro RemoveAssociation
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"

  ; What Builder.exe writes for the person who runs it, whatever the scope of the installation.
  SetShellVarContext current
  !insertmacro RemoveAssociation
  Delete "$APPDATA\${PRODUCT}\last.ini"
  RMDir "$APPDATA\${PRODUCT}"
  DeleteRegKey HKCU "Software\Local AppWizard-Generated Applications\Builder"
  DeleteRegKey /ifempty HKCU "Software\Local AppWizard-Generated Applications"
  ; The engine the preview asks the system's browser control for (the key is the system's).
  DeleteRegValue HKCU "${BROWSER_EMULATION_KEY}" "Builder.exe"

  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
