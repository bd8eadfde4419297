; The Windows setup program: the VST 3 bundle where every host looks, the
; factory presets where hosts list them for every user, the desktop program
; Tonewell.exe, the README and the licence with an uninstaller under Program
; Files, a Start-menu entry for the program, and an entry in Add or Remove
; Programs. scripts/package.sh passes NAME, VENDOR, VERSION,
; VERSION4 (a.b.c.0), URL, STAGE (the files to install) and OUTFILE.
; Silent with /S, for the installer and the uninstaller alike.

; A 64-bit setup, like the plug-in it installs.
Target amd64-unicode
ManifestSupportedOS all
RequestExecutionLevel admin
SetCompressor /SOLID lzma
; The same bytes from the same input.
SetDateSave off

!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${NAME}"
!define PRESET_DIR "VST3 Presets\${VENDOR}\${NAME}"
!define PRESET_LIST "factory-presets.txt"

Name "${NAME} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${VENDOR}\${NAME}"
ShowInstDetails show
ShowUnInstDetails show

VIProductVersion "${VERSION4}"
VIFileVersion "${VERSION4}"
VIAddVersionKey "ProductName" "${NAME}"
VIAddVersionKey "CompanyName" "${VENDOR}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${NAME} ${VERSION} setup"
VIAddVersionKey "LegalCopyright" "Copyright (C) ${VENDOR}; GPL-3.0-or-later"

LicenseData "${STAGE}\LICENSE"
Page license
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; One setup or uninstall at a time: a second one started meanwhile says so
; and changes nothing.
!macro SingleInstance
    System::Call 'kernel32::CreateMutexW(p 0, i 1, w "${VENDOR}${NAME}Setup") p .r0 ?e'
    Pop $1
    ${If} $1 = 183
        MessageBox MB_OK|MB_ICONSTOP "${NAME} setup is already running." /SD IDOK
        SetErrorLevel 5
        Quit
    ${EndIf}
!macroend

; Removes exactly what setup installs: the bundle (wholly ours), the factory
; presets by name (a user's own presets beside them stay), and our folders
; when they are left empty. Files deleted by hand are simply passed over.
!macro RemoveInstalled un
    SetShellVarContext all
    RMDir /r "$COMMONFILES64\VST3\${NAME}.vst3"
    RMDir "$COMMONFILES64\VST3"
    ClearErrors
    FileOpen $0 "$INSTDIR\${PRESET_LIST}" r
    ${IfNot} ${Errors}
        ${Do}
            FileRead $0 $1
            ${If} $1 == ""
                ${Break}
            ${EndIf}
            Push $1
            Call ${un}TrimNewline
            Pop $1
            ${If} $1 != ""
                Delete "$APPDATA\${PRESET_DIR}\$1"
            ${EndIf}
        ${Loop}
        FileClose $0
    ${EndIf}
    RMDir "$APPDATA\${PRESET_DIR}"
    RMDir "$APPDATA\VST3 Presets\${VENDOR}"
    RMDir "$APPDATA\VST3 Presets"
    Delete "$SMPROGRAMS\${NAME}.lnk"
    Delete "$INSTDIR\${NAME}.exe"
    Delete "$INSTDIR\${PRESET_LIST}"
    Delete "$INSTDIR\README.md"
    Delete "$INSTDIR\LICENSE"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
    RMDir "$INSTDIR\.."
!macroend

!macro TrimNewlineFunction un
Function ${un}TrimNewline
    Exch $0
    ${Do}
        StrCpy $1 $0 1 -1
        ${If} $1 == "$\n"
        ${OrIf} $1 == "$\r"
            StrCpy $0 $0 -1
        ${Else}
            ${Break}
        ${EndIf}
    ${Loop}
    Exch $0
FunctionEnd
!macroend
!insertmacro TrimNewlineFunction ""
!insertmacro TrimNewlineFunction "un."

Function .onInit
    !insertmacro SingleInstance
    ${IfNot} ${RunningX64}
        MessageBox MB_OK|MB_ICONSTOP "${NAME} needs 64-bit Windows." /SD IDOK
        SetErrorLevel 3
        Quit
    ${EndIf}
    SetRegView 64
    SetShellVarContext all
FunctionEnd

; A failed or cancelled setup leaves nothing behind and nothing registered.
Function .onInstFailed
    !insertmacro RemoveInstalled ""
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
FunctionEnd

Section "Install"
    SetOverwrite on
    ; An earlier version's files go first, so none of them is left over.
    !insertmacro RemoveInstalled ""

    ClearErrors
    SetOutPath "$COMMONFILES64\VST3"
    File /r "${STAGE}\${NAME}.vst3"
    SetOutPath "$APPDATA\${PRESET_DIR}"
    File "${STAGE}\presets\*.vstpreset"
    SetOutPath "$INSTDIR"
    File "${STAGE}\${NAME}.exe"
    File "${STAGE}\README.md"
    File "${STAGE}\LICENSE"
    File "${STAGE}\${PRESET_LIST}"
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    ; The program finds the bundle in the common VST 3 folder.
    CreateShortCut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\${NAME}.exe" "" "$INSTDIR\${NAME}.exe" 0 \
        SW_SHOWNORMAL "" "Plays ${NAME} live, with its editor"
    ${If} ${Errors}
        MessageBox MB_OK|MB_ICONSTOP "${NAME} could not be installed: a file could not be written." /SD IDOK
        SetErrorLevel 4
        Abort
    ${EndIf}

    ; Registered last: only a complete installation appears in the list.
    ${GetSize} "$COMMONFILES64\VST3\${NAME}.vst3" "/S=0K" $0 $1 $2
    ${GetSize} "$APPDATA\${PRESET_DIR}" "/S=0K" $3 $1 $2
    IntOp $0 $0 + $3
    ${GetSize} "$INSTDIR" "/S=0K" $3 $1 $2
    IntOp $0 $0 + $3
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${NAME} ${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${VENDOR}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "${URL}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
    !insertmacro SingleInstance
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section "Uninstall"
    !insertmacro RemoveInstalled "un."
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
