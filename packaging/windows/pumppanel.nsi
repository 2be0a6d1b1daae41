; The setup program: installs the panel's folder under Program Files, a Start-menu entry named
; after the window caption, and an uninstaller that Apps & features lists.
;
;   makensis -DVERSION_NSH=<build>/version.nsh -DSOURCE_DIR=<installed folder> -DICON=<.ico> \
;            -DFILE_LIST=<uninstall list> -DESTIMATED_SIZE_KB=<n> -DOUTFILE=<setup.exe> \
;            packaging/windows/pumppanel.nsi
; scripts/windows does this.
Unicode true
; A 64-bit setup program for a 64-bit panel (and one that Wine64 alone can run in the tests).
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "${VERSION_NSH}"

!define PRODUCT_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TarrowPumpPanel"

Name "${PRODUCT_CAPTION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Tarrow Pump Panel"
InstallDirRegKey HKLM "${PRODUCT_KEY}" "InstallLocation"
RequestExecutionLevel admin
VIProductVersion "${PRODUCT_VERSION}.0.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT_CAPTION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${PRODUCT_VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT_CAPTION} setup"
VIAddVersionKey /LANG=0 "FileVersion" "${PRODUCT_VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\pumppanel.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

Function .onInit
    ; A 64-bit program: its Program Files and its registry view.
    SetRegView 64
FunctionEnd

Function un.onInit
    SetRegView 64
FunctionEnd

Section "Install"
    SetOutPath "$INSTDIR"
    File /r "${SOURCE_DIR}\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    SetShellVarContext all
    CreateShortcut "$SMPROGRAMS\${PRODUCT_CAPTION}.lnk" "$INSTDIR\pumppanel.exe"

    WriteRegStr HKLM "${PRODUCT_KEY}" "DisplayName" "${PRODUCT_CAPTION}"
    WriteRegStr HKLM "${PRODUCT_KEY}" "DisplayVersion" "${PRODUCT_VERSION}"
    WriteRegStr HKLM "${PRODUCT_KEY}" "Publisher" "Tarrow"
    WriteRegStr HKLM "${PRODUCT_KEY}" "DisplayIcon" "$INSTDIR\pumppanel.exe"
    WriteRegStr HKLM "${PRODUCT_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${PRODUCT_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${PRODUCT_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${PRODUCT_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${PRODUCT_KEY}" "NoRepair" 1
    WriteRegDWORD HKLM "${PRODUCT_KEY}" "EstimatedSize" ${ESTIMATED_SIZE_KB}
SectionEnd

Section "Uninstall"
    SetShellVarContext all
    Delete "$SMPROGRAMS\${PRODUCT_CAPTION}.lnk"
    ; Only what the setup put there: a folder the operator chose is never emptied blindly.
    !include "${FILE_LIST}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${PRODUCT_KEY}"
SectionEnd
