; The Windows setup program: the VST 3 bundle where every host looks, the
; factory presets where hosts list them for every user, the desktop program
; Tonewell.exe, the listening guide and the licence with an uninstaller under
; Program Files, Start-menu entries for the program and the guide, and an
; entry in Add or Remove Programs. scripts/package.sh passes NAME, VENDOR,
; VERSION, VERSION4 (a.b.c.0), URL, ICON, STAGE (the files to install, with
; factory-presets.nsh, the presets' names) and OUTFILE.
; Silent with /S, for the installer and the uninstaller alike.
;
; A setup either completes or leaves the machine as it found it: the
; installed version (files, Start-menu entries, uninstall entry) is copied
; aside before anything is changed, and a setup that fails removes what it
; wrote and puts that copy back. The uninstall entry is written only once
; everything is in place.

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
; This version's factory presets, by name: the uninstaller and a failed
; setup remove exactly these. The same names are written to PRESET_LIST, so
; that the next version's setup knows what to replace.
!define PRESET_LIST "factory-presets.txt"
!define GUIDE_LINK "${NAME} listening guide.lnk"
!include "${STAGE}\factory-presets.nsh"

Name "${NAME} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${VENDOR}\${NAME}"
; A reinstall or an upgrade without /D= goes where the last one went.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
Icon "${ICON}"
UninstallIcon "${ICON}"
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

; The files of ours in a program folder.
!macro ForEachProgramFile MACRO ARG
    !insertmacro ${MACRO} "${ARG}" "${NAME}.exe"
    !insertmacro ${MACRO} "${ARG}" "guide.html"
    !insertmacro ${MACRO} "${ARG}" "README.md"
    !insertmacro ${MACRO} "${ARG}" "LICENSE"
    !insertmacro ${MACRO} "${ARG}" "${PRESET_LIST}"
    !insertmacro ${MACRO} "${ARG}" "Uninstall.exe"
!macroend
!macro DeleteFile DIR FILE
    Delete "${DIR}\${FILE}"
!macroend

; Removes exactly what this version installs: the bundle (wholly ours), the
; factory presets by name (a user's own presets beside them stay), the
; program folder's files, the Start-menu entries, and our folders when they
; are left empty. Files deleted by hand are simply passed over.
!macro RemoveInstalled DIR
    RMDir /r "$COMMONFILES64\VST3\${NAME}.vst3"
    RMDir "$COMMONFILES64\VST3"
    !insertmacro DeleteFactoryPresets "$APPDATA\${PRESET_DIR}"
    !insertmacro RemoveEmptyPresetFolders
    Delete "$SMPROGRAMS\${NAME}.lnk"
    Delete "$SMPROGRAMS\${GUIDE_LINK}"
    !insertmacro ForEachProgramFile DeleteFile "${DIR}"
    RMDir "${DIR}"
    RMDir "${DIR}\.."
!macroend
!macro RemoveEmptyPresetFolders
    RMDir "$APPDATA\${PRESET_DIR}"
    RMDir "$APPDATA\VST3 Presets\${VENDOR}"
    RMDir "$APPDATA\VST3 Presets"
!macroend

Function TrimNewline
    Exch $0
    Push $1
    ${Do}
        StrCpy $1 $0 1 -1
        ${If} $1 == "$\n"
        ${OrIf} $1 == "$\r"
            StrCpy $0 $0 -1
        ${Else}
            ${Break}
        ${EndIf}
    ${Loop}
    Pop $1
    Exch $0
FunctionEnd

; The installed version's files, from its own list of factory presets (any
; earlier version's setup wrote one) and its program folder.
Function RemovePrevious
    Exch $0 ; the program folder
    Push $1
    Push $2
    ClearErrors
    FileOpen $1 "$0\${PRESET_LIST}" r
    ${IfNot} ${Errors}
        ${Do}
            FileRead $1 $2
            ${If} $2 == ""
                ${Break}
            ${EndIf}
            Push $2
            Call TrimNewline
            Pop $2
            ${If} $2 != ""
                Delete "$APPDATA\${PRESET_DIR}\$2"
            ${EndIf}
        ${Loop}
        FileClose $1
    ${EndIf}
    !insertmacro RemoveInstalled "$0"
    Pop $2
    Pop $1
    Pop $0
FunctionEnd

Var PreviousDir ; the program folder of the installed version, "" when none
Var Saved       ; where the installed version waits until the new one is complete
Var Changing    ; 1 once this setup has begun to change the machine

Function .onInit
    !insertmacro SingleInstance
    ${IfNot} ${RunningX64}
        MessageBox MB_OK|MB_ICONSTOP "${NAME} needs 64-bit Windows." /SD IDOK
        SetErrorLevel 3
        Quit
    ${EndIf}
    SetRegView 64
    SetShellVarContext all
    StrCpy $Changing 0
    ReadRegStr $PreviousDir HKLM "${UNINSTALL_KEY}" "InstallLocation"
FunctionEnd

; Copies what may be changed aside: the bundle, the preset folder (factory
; presets and a user's own alike), our files in the old and the new program
; folder, and the Start-menu entries.
!macro SaveFile DIR FILE
    ${If} ${FileExists} "${DIR}\${FILE}"
        CopyFiles /SILENT "${DIR}\${FILE}" "$Saved\${DIR_KEY}"
    ${EndIf}
!macroend
!macro SaveFolder DIR KEY
    !define DIR_KEY "${KEY}"
    CreateDirectory "$Saved\${KEY}"
    !insertmacro ForEachProgramFile SaveFile "${DIR}"
    !undef DIR_KEY
!macroend
Function SaveInstalled
    StrCpy $Saved "$PLUGINSDIR\installed"
    CreateDirectory "$Saved"
    ClearErrors
    ${If} ${FileExists} "$COMMONFILES64\VST3\${NAME}.vst3\*.*"
        CreateDirectory "$Saved\vst3"
        CopyFiles /SILENT "$COMMONFILES64\VST3\${NAME}.vst3" "$Saved\vst3"
    ${EndIf}
    ${If} ${FileExists} "$APPDATA\${PRESET_DIR}\*.*"
        CreateDirectory "$Saved\presets"
        CopyFiles /SILENT "$APPDATA\${PRESET_DIR}\*.*" "$Saved\presets"
    ${EndIf}
    !insertmacro SaveFolder "$INSTDIR" "program"
    ${If} $PreviousDir != ""
        !insertmacro SaveFolder "$PreviousDir" "previous"
    ${EndIf}
    CreateDirectory "$Saved\menu"
    ${If} ${FileExists} "$SMPROGRAMS\${NAME}.lnk"
        CopyFiles /SILENT "$SMPROGRAMS\${NAME}.lnk" "$Saved\menu"
    ${EndIf}
    ${If} ${FileExists} "$SMPROGRAMS\${GUIDE_LINK}"
        CopyFiles /SILENT "$SMPROGRAMS\${GUIDE_LINK}" "$Saved\menu"
    ${EndIf}
FunctionEnd

; A failed setup: what it wrote goes, what was there comes back. A first
; install leaves nothing; an upgrade leaves the installed version as it was,
; its uninstall entry untouched (only a complete setup writes the entry).
Function .onInstFailed
    ${If} $Changing != 1
        Return
    ${EndIf}
    ; Out of our folders first: the working folder (the last SetOutPath)
    ; cannot be removed.
    SetOutPath "$TEMP"
    !insertmacro RemoveInstalled "$INSTDIR"
    ${If} ${FileExists} "$Saved\vst3\${NAME}.vst3\*.*"
        CreateDirectory "$COMMONFILES64\VST3"
        CopyFiles /SILENT "$Saved\vst3\${NAME}.vst3" "$COMMONFILES64\VST3"
    ${EndIf}
    ${If} ${FileExists} "$Saved\presets\*.*"
        CreateDirectory "$APPDATA\${PRESET_DIR}"
        CopyFiles /SILENT "$Saved\presets\*.*" "$APPDATA\${PRESET_DIR}"
    ${EndIf}
    ${If} ${FileExists} "$Saved\program\*.*"
        CreateDirectory "$INSTDIR"
        CopyFiles /SILENT "$Saved\program\*.*" "$INSTDIR"
    ${EndIf}
    ${If} $PreviousDir != ""
    ${AndIf} ${FileExists} "$Saved\previous\*.*"
        CreateDirectory "$PreviousDir"
        CopyFiles /SILENT "$Saved\previous\*.*" "$PreviousDir"
    ${EndIf}
    ${If} ${FileExists} "$Saved\menu\*.*"
        CopyFiles /SILENT "$Saved\menu\*.*" "$SMPROGRAMS"
    ${EndIf}
FunctionEnd

!macro Fail TEXT
    MessageBox MB_OK|MB_ICONSTOP "${NAME} could not be installed: ${TEXT}" /SD IDOK
    SetErrorLevel 4
    Abort
!macroend

Section "Install"
    SetOverwrite on
    InitPluginsDir
    Call SaveInstalled
    ${If} ${Errors}
        !insertmacro Fail "the installed version could not be copied aside. Nothing was changed."
    ${EndIf}
    StrCpy $Changing 1

    ; The installed version's files go first, so none of them is left over,
    ; also where it was installed elsewhere.
    ${If} $PreviousDir != ""
    ${AndIf} $PreviousDir != $INSTDIR
        Push $PreviousDir
        Call RemovePrevious
    ${EndIf}
    Push $INSTDIR
    Call RemovePrevious

    ClearErrors
    SetOutPath "$COMMONFILES64\VST3"
    File /r "${STAGE}\${NAME}.vst3"
    SetOutPath "$APPDATA\${PRESET_DIR}"
    File "${STAGE}\presets\*.vstpreset"
    SetOutPath "$INSTDIR"
    File "${STAGE}\${NAME}.exe"
    File "${STAGE}\guide.html"
    File "${STAGE}\LICENSE"
    File "${STAGE}\${PRESET_LIST}"
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    ; The program finds the bundle in the common VST 3 folder.
    CreateShortCut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\${NAME}.exe" "" "$INSTDIR\${NAME}.exe" 0 \
        SW_SHOWNORMAL "" "Plays ${NAME} live, with its editor"
    CreateShortCut "$SMPROGRAMS\${GUIDE_LINK}" "$INSTDIR\guide.html" "" "" 0 SW_SHOWNORMAL "" \
        "How to listen with ${NAME}: headphones, level, controls and programs"
    ${If} ${Errors}
        !insertmacro Fail "a file could not be written. The machine is left as it was."
    ${EndIf}

    ; Registered last: only a complete installation appears in the list.
    ${GetSize} "$COMMONFILES64\VST3\${NAME}.vst3" "/S=0K" $0 $1 $2
    ${GetSize} "$APPDATA\${PRESET_DIR}" "/S=0K" $3 $1 $2
    IntOp $0 $0 + $3
    ${GetSize} "$INSTDIR" "/S=0K" $3 $1 $2
    IntOp $0 $0 + $3
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${NAME} ${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${NAME}.exe"
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
    !insertmacro RemoveInstalled "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
