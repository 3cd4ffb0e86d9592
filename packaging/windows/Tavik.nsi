; The Windows setup program, TavikSetup-<version>.exe. Built by the
; windows-setup target of a Windows build (cmake/Packaging.cmake), which
; passes VERSION, VERSION_QUAD, OUTFILE, LICENSE_FILE and the programs' paths:
; TAVIKCONTROL_EXE, OLVANE_EXE and, when that program is built, TAVIKCTL_EXE.
; Silent: TavikSetup-<version>.exe /S [/D=folder]; Uninstall.exe /S.

Unicode true
; The programs are 64-bit, so the setup program is too: it sees the 64-bit
; Program Files folder and registry without redirection.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all

!include MUI2.nsh

!define PRODUCT "Tavik Serial Control"
!define PUBLISHER "Orveth"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavik"
!define MENU_FOLDER "$SMPROGRAMS\Tavik"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PUBLISHER}\Tavik"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=1033 "ProductName" "Tavik"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

; The GPL asks nothing of those who only run the program: the page informs,
; and its button goes on rather than asking for agreement.
!define MUI_LICENSEPAGE_TEXT_TOP "Tavik Serial Control is free software under the GNU General Public License, version 3 or later."
!define MUI_LICENSEPAGE_TEXT_BOTTOM "You may use the program freely. The licence sets the terms for copying, changing and passing it on."
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"
!insertmacro MUI_PAGE_LICENSE "${LICENSE_FILE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Tavik"
    SetShellVarContext all ; shortcuts for every user, like the programs
    SetOutPath "$INSTDIR"
    File "/oname=tavikcontrol.exe" "${TAVIKCONTROL_EXE}"
    ; The driver installer looks for the bridge maker's driver files in its
    ; own folder; those are not ours to ship (README.md).
    File "/oname=Olvane.exe" "${OLVANE_EXE}"
!ifdef TAVIKCTL_EXE
    File "/oname=tavikctl.exe" "${TAVIKCTL_EXE}"
!endif
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    CreateDirectory "${MENU_FOLDER}"
    CreateShortcut "${MENU_FOLDER}\${PRODUCT}.lnk" "$INSTDIR\tavikcontrol.exe"
    CreateShortcut "${MENU_FOLDER}\USB-serial driver installer.lnk" "$INSTDIR\Olvane.exe"

    ; Add/Remove Programs
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tavikcontrol.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes exactly what the setup program put there. The user's settings
; (%APPDATA%\Orveth) and presets (Documents\Orveth Tavik) stay, and so do
; driver files copied next to Olvane.exe: the folder goes only when empty.
Section "Uninstall"
    SetShellVarContext all
    Delete "$INSTDIR\tavikcontrol.exe"
    Delete "$INSTDIR\Olvane.exe"
    Delete "$INSTDIR\tavikctl.exe"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
    RMDir "$PROGRAMFILES64\${PUBLISHER}"

    Delete "${MENU_FOLDER}\${PRODUCT}.lnk"
    Delete "${MENU_FOLDER}\USB-serial driver installer.lnk"
    RMDir "${MENU_FOLDER}"

    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
