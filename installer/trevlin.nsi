; Trevlin's Windows installer: per user, no administrator rights, into
; %LOCALAPPDATA%\Programs\Trevlin. It makes Trevlin the screen saver (remembering the
; choice it replaces), registers an uninstaller, and keeps the user's Trevlin.ini when
; it upgrades an earlier version. "/S" installs silently with the defaults.
;
; installer/packaging.py builds it; makensis gets these from there:
;   VERSION     the version as users see it: "1.0"
;   VERSION4    the same as four numbers, for the version resource: "1.0.0.0"
;   STAGE       the folder holding Trevlin.scr, Trevlin.evc and Trevlin.wma
;   ICON        the saver's icon
;   WIZARD_BMP  the picture of the welcome and finish pages (164x314)
;   MAKER_SITE  the maker's address, "http://..." without a final "/"
;   MAKER_HOST  the same without "http://"
;   OUTFILE     the installer to write
; and, to sign the uninstaller and the installer as they are written:
;   SIGN        a command that signs the file named after it, where it is

!macro TREVLIN_NEEDS NAME
  !ifndef ${NAME}
    !error "makensis needs -D${NAME}=...: build the installer with tools/package"
  !endif
!macroend
!insertmacro TREVLIN_NEEDS VERSION
!insertmacro TREVLIN_NEEDS VERSION4
!insertmacro TREVLIN_NEEDS STAGE
!insertmacro TREVLIN_NEEDS ICON
!insertmacro TREVLIN_NEEDS WIZARD_BMP
!insertmacro TREVLIN_NEEDS MAKER_SITE
!insertmacro TREVLIN_NEEDS MAKER_HOST
!insertmacro TREVLIN_NEEDS OUTFILE

!ifdef SIGN
  !uninstfinalize '${SIGN}' = 0
  !finalize '${SIGN}' = 0
!endif

; The saver is a 64-bit program, and the Wine that tests Setup runs only 64-bit ones.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true
; A file that cannot be written stops the installation: skipping it would leave
; a mix of two versions.
AllowSkipFiles off

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Trevlin"
!define OWN_KEY "Software\Trevlin"
!define DESKTOP_KEY "Control Panel\Desktop"
; The Start-menu entry that chooses Trevlin again once another saver has replaced it
; (Windows lists only the savers in its own folders, and the one chosen).
!define SHORTCUT "$SMPROGRAMS\Trevlin screensaver.lnk"
!define SPI_SETSCREENSAVEACTIVE 17
!define SPIF_SENDCHANGE 2
; How long a silent install or uninstall waits for a running Trevlin to end before
; it gives up and changes nothing (exit code 2), in half seconds: five minutes.
!ifndef SILENT_WAIT_HALF_SECONDS
  !define SILENT_WAIT_HALF_SECONDS 600
!endif

Name "Trevlin"
Caption "Trevlin ${VERSION} Setup"
UninstallCaption "Trevlin ${VERSION} Uninstall"
BrandingText "Trevlin ${VERSION}  -  ${MAKER_HOST}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Trevlin"
InstallDirRegKey HKCU "${OWN_KEY}" "InstallDir"

VIProductVersion "${VERSION4}"
VIFileVersion "${VERSION4}"
VIAddVersionKey /LANG=1033 "ProductName" "Trevlin"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Trevlin ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION4}"
VIAddVersionKey /LANG=1033 "CompanyName" "${MAKER_HOST}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) ${MAKER_HOST}"

Var UseAsSaver      ; 1: make Trevlin the screen saver (the default), 0: leave the choice alone
Var SaverCheckbox
Var Upgrading       ; 1: an installed Trevlin was found; it is upgraded where it is
Var FinishText

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${WIZARD_BMP}"
!define MUI_ABORTWARNING

!define MUI_WELCOMEPAGE_TITLE "Trevlin ${VERSION}"
!define MUI_WELCOMEPAGE_TEXT "Trevlin is a full-screen video screen saver.$\r$\n$\r$\nSetup installs it for your account only: no administrator rights are needed. An earlier Trevlin is upgraded and keeps its settings.$\r$\n$\r$\n${MAKER_SITE}"
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipFolderWhenUpgrading
!insertmacro MUI_PAGE_DIRECTORY
Page custom SaverPage SaverPageLeave
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "Trevlin ${VERSION} is installed"
!define MUI_FINISHPAGE_TEXT "$FinishText"
!define MUI_FINISHPAGE_RUN "$INSTDIR\Trevlin.scr"
!define MUI_FINISHPAGE_RUN_PARAMETERS "/c"
!define MUI_FINISHPAGE_RUN_TEXT "Choose Trevlin's settings now"
!define MUI_FINISHPAGE_RUN_NOTCHECKED
!define MUI_FINISHPAGE_LINK "${MAKER_HOST}"
!define MUI_FINISHPAGE_LINK_LOCATION "${MAKER_SITE}/"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; ------------------------------------------------------------------ shared by both

; Waits until no installed file is held open by a running Trevlin (the saver, its
; settings, or the preview in the Screen Saver settings): Windows refuses to replace
; or delete them meanwhile, which would leave half of one version and half of another.
; Interactive: asks to close it and retry. Silent: waits, then gives up unchanged.
!macro TREVLIN_IN_USE FILE
  ${If} ${FileExists} "${FILE}"
    ClearErrors
    FileOpen $R0 "${FILE}" a
    ${If} ${Errors}
      StrCpy $R2 1
    ${Else}
      FileClose $R0
    ${EndIf}
  ${EndIf}
!macroend

!macro TREVLIN_WAIT_FOR_SAVER UN
Function ${UN}WaitForSaver
  StrCpy $R1 0
  ${Do}
    StrCpy $R2 0
    !insertmacro TREVLIN_IN_USE "$INSTDIR\Trevlin.scr"
    !insertmacro TREVLIN_IN_USE "$INSTDIR\Trevlin.evc"
    !insertmacro TREVLIN_IN_USE "$INSTDIR\Trevlin.wma"
    ${If} $R2 == 0
      Return
    ${EndIf}
    ${If} ${Silent}
      ${If} $R1 >= ${SILENT_WAIT_HALF_SECONDS}
        Abort "Trevlin is still running; nothing was changed."
      ${EndIf}
      ${If} $R1 == 0
        DetailPrint "Trevlin is running; waiting for it to end..."
      ${EndIf}
      Sleep 500
      IntOp $R1 $R1 + 1
    ${Else}
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Trevlin is running: as the screen saver, as its settings window, or as the preview in the Screen Saver settings.$\r$\n$\r$\nClose it, then click Retry. Cancel leaves the installed Trevlin as it is." IDRETRY retry
      Abort "Trevlin is running; nothing was changed."
      retry:
    ${EndIf}
  ${Loop}
FunctionEnd
!macroend
!insertmacro TREVLIN_WAIT_FOR_SAVER ""
!insertmacro TREVLIN_WAIT_FOR_SAVER "un."

; $R8: the installed saver's path; $R9: the same as Windows keeps it in SCRNSAVE.EXE,
; the short form (the saver is started as "<path> /s", unquoted, so a long path with
; a space in it would break the command line).
!macro TREVLIN_SAVER_PATHS UN
Function ${UN}SaverPaths
  StrCpy $R8 "$INSTDIR\Trevlin.scr"
  GetFullPathName /SHORT $R9 $R8
  ${If} $R9 == ""
    StrCpy $R9 $R8
  ${EndIf}
FunctionEnd
!macroend
!insertmacro TREVLIN_SAVER_PATHS ""
!insertmacro TREVLIN_SAVER_PATHS "un."

; ------------------------------------------------------------------ installer

Function .onInit
  StrCpy $UseAsSaver 1
  StrCpy $Upgrading 0
  ReadRegStr $0 HKCU "${OWN_KEY}" "InstallDir"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0\Trevlin.scr"
    StrCpy $Upgrading 1
    ; An upgrade goes where the installed Trevlin is, whatever /D= says: a second
    ; folder would leave the first one orphaned, and the uninstaller would forget it.
    StrCpy $INSTDIR $0
    ; An upgrade keeps the screen saver choice as the user left it: Trevlin stays
    ; chosen if it is, and is not forced on one who chose another.
    Call SaverPaths
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${If} $0 != $R8
    ${AndIf} $0 != $R9
      StrCpy $UseAsSaver 0
    ${EndIf}
  ${EndIf}
FunctionEnd

; An upgrade goes where the installed Trevlin is (see .onInit): no folder to choose.
Function SkipFolderWhenUpgrading
  ${If} $Upgrading == 1
    Abort
  ${EndIf}
FunctionEnd

Function SaverPage
  !insertmacro MUI_HEADER_TEXT "Screen saver" "Trevlin can be your screen saver right away."
  nsDialogs::Create 1018
  Pop $0
  ${If} $0 == error
    Abort
  ${EndIf}
  ${NSD_CreateLabel} 0 0 100% 40u "Windows shows the screen saver when the computer has been idle for a while. Setup can choose Trevlin for you now; the screen saver you have now is remembered and comes back if you uninstall Trevlin."
  Pop $0
  ${NSD_CreateCheckbox} 0 48u 100% 12u "&Use Trevlin as my screen saver"
  Pop $SaverCheckbox
  ${If} $UseAsSaver == 1
    ${NSD_Check} $SaverCheckbox
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function SaverPageLeave
  ${NSD_GetState} $SaverCheckbox $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $UseAsSaver 1
  ${Else}
    StrCpy $UseAsSaver 0
  ${EndIf}
FunctionEnd

; $R0: the outermost folder on the way to $INSTDIR that does not exist yet ("" when
; $INSTDIR exists). The uninstaller removes up to it, and no further.
Function FolderToCreate
  StrCpy $R0 ""
  StrCpy $R1 $INSTDIR
  ${Do}
    ${If} ${FileExists} "$R1\*.*"
      ${ExitDo}
    ${EndIf}
    StrCpy $R0 $R1
    ${GetParent} $R1 $R1
  ${LoopUntil} $R1 == ""
FunctionEnd

; The new files come out beside the old ones first, so a failure (a full disk) leaves
; the installed version whole; only then do they replace the old ones.
!macro TREVLIN_PUT FILE
  File "/oname=${FILE}.new" "${STAGE}/${FILE}"
!macroend
!macro TREVLIN_REPLACE FILE
  Delete "$INSTDIR\${FILE}"
  ClearErrors
  Rename "$INSTDIR\${FILE}.new" "$INSTDIR\${FILE}"
  ${If} ${Errors}
    Abort "Could not replace $INSTDIR\${FILE}."
  ${EndIf}
!macroend

; The profile calls keep a file's encoding: one begun in UTF-16 (with its byte-order
; mark) keeps every character of the folder's name, where the ANSI code page would turn
; letters it cannot hold into "?" and the saver would look for its media in vain.
Function NewSettings
  FileOpen $0 "$INSTDIR\Trevlin.ini" w
  FileWriteUTF16LE /BOM $0 "[config]$\r$\n"
  FileClose $0
  WriteINIStr "$INSTDIR\Trevlin.ini" "config" "sound" "1"
  ; The saver appends the file names to path as they are: hence the final "\".
  WriteINIStr "$INSTDIR\Trevlin.ini" "config" "path" "$INSTDIR\"
  FlushINI "$INSTDIR\Trevlin.ini"
FunctionEnd

; An earlier version wrote its settings in the ANSI code page: the same lines, read in
; that code page, go into a UTF-16 copy, which then replaces it. Its path may have lost
; letters on the way in, so it points at the install folder again.
Function UnicodeSettings
  FileOpen $0 "$INSTDIR\Trevlin.ini" r
  FileReadByte $0 $1
  FileReadByte $0 $2
  FileClose $0
  ${If} $1 == 255
  ${AndIf} $2 == 254
    Return
  ${EndIf}
  ClearErrors
  FileOpen $0 "$INSTDIR\Trevlin.ini" r
  ${If} ${Errors}
    Return  ; unreadable: kept as it is rather than replaced by an empty copy
  ${EndIf}
  FileOpen $1 "$INSTDIR\Trevlin.ini.new" w
  ${If} ${Errors}
    FileClose $0
    Abort "Could not write $INSTDIR\Trevlin.ini.new."
  ${EndIf}
  FileWriteUTF16LE /BOM $1 ""
  ${Do}
    ClearErrors
    FileRead $0 $2
    ${If} ${Errors}
      ${ExitDo}
    ${EndIf}
    FileWriteUTF16LE $1 $2
  ${Loop}
  FileClose $0
  FileClose $1
  !insertmacro TREVLIN_REPLACE Trevlin.ini
  WriteINIStr "$INSTDIR\Trevlin.ini" "config" "path" "$INSTDIR\"
  FlushINI "$INSTDIR\Trevlin.ini"
FunctionEnd

Function ChooseTrevlin
  Call SaverPaths
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $0 != $R8
  ${AndIf} $0 != $R9
    ; The choice Trevlin replaces; a reinstall over Trevlin keeps the one remembered.
    WriteRegStr HKCU "${OWN_KEY}" "PreviousScreenSaver" $0
    ReadRegStr $1 HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
    WriteRegStr HKCU "${OWN_KEY}" "PreviousScreenSaveActive" $1
  ${EndIf}
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $R9
  ; Tell the running session, which otherwise reads the setting at the next logon.
  System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 1, p 0, i ${SPIF_SENDCHANGE})'
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
FunctionEnd

Section "Trevlin"
  SectionIn RO
  Call WaitForSaver

  Call FolderToCreate
  ${If} $R0 != ""
    WriteRegStr HKCU "${OWN_KEY}" "CreatedFolder" $R0
  ${EndIf}

  SetOutPath "$INSTDIR"
  !insertmacro TREVLIN_PUT Trevlin.scr
  !insertmacro TREVLIN_PUT Trevlin.evc
  !insertmacro TREVLIN_PUT Trevlin.wma
  !insertmacro TREVLIN_REPLACE Trevlin.scr
  !insertmacro TREVLIN_REPLACE Trevlin.evc
  !insertmacro TREVLIN_REPLACE Trevlin.wma

  ; The settings are the user's: an upgrade keeps them as they are, in UTF-16.
  ${IfNot} ${FileExists} "$INSTDIR\Trevlin.ini"
    Call NewSettings
  ${Else}
    Call UnicodeSettings
  ${EndIf}

  ; The same as the saver's "Install" verb: chooses it and opens the Screen Saver settings.
  CreateShortCut "${SHORTCUT}" "$SYSDIR\rundll32.exe" 'desk.cpl,InstallScreenSaver "$INSTDIR\Trevlin.scr"' \
    "$INSTDIR\Trevlin.scr" 0 SW_SHOWNORMAL "" "Choose Trevlin as the screen saver"

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKCU "${OWN_KEY}" "InstallDir" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Trevlin"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${MAKER_HOST}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "URLInfoAbout" "${MAKER_SITE}/"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Trevlin.scr,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0

  ${If} $UseAsSaver == 1
    Call ChooseTrevlin
    StrCpy $FinishText "Trevlin is now your screen saver. To change its settings, or to choose another screen saver, open the Screen Saver settings of Windows."
  ${Else}
    StrCpy $FinishText "To make Trevlin your screen saver, choose it in the Screen Saver settings of Windows."
  ${EndIf}
SectionEnd

Function .onInstFailed
  Delete "$INSTDIR\Trevlin.ini.new"
  Delete "$INSTDIR\Trevlin.scr.new"
  Delete "$INSTDIR\Trevlin.evc.new"
  Delete "$INSTDIR\Trevlin.wma.new"
FunctionEnd

; ------------------------------------------------------------------ uninstaller

; Puts back the screen saver Trevlin replaced, if Trevlin is still the one chosen.
Function un.RestorePreviousSaver
  Call un.SaverPaths
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $0 != $R8
  ${AndIf} $0 != $R9
    Return
  ${EndIf}
  ClearErrors
  ReadRegStr $1 HKCU "${OWN_KEY}" "PreviousScreenSaver"
  ${If} ${Errors}
  ${OrIf} $1 == ""
    ; None to put back: a saver that is gone must not stay chosen.
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${Else}
    WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $1
  ${EndIf}
  ClearErrors
  ReadRegStr $2 HKCU "${OWN_KEY}" "PreviousScreenSaveActive"
  ${If} ${Errors}
    Return
  ${EndIf}
  ${If} $2 == ""
    DeleteRegValue HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
  ${Else}
    ${If} $2 == "0"
      System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 0, p 0, i ${SPIF_SENDCHANGE})'
    ${EndIf}
    WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" $2
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Call un.WaitForSaver
  ; Before the files go: the saver's short path is only known while it exists.
  Call un.RestorePreviousSaver

  Delete "$INSTDIR\Trevlin.scr"
  Delete "$INSTDIR\Trevlin.evc"
  Delete "$INSTDIR\Trevlin.wma"
  Delete "$INSTDIR\Trevlin.ini"
  Delete "$INSTDIR\Trevlin.ini.new"
  Delete "$INSTDIR\Trevlin.scr.new"
  Delete "$INSTDIR\Trevlin.evc.new"
  Delete "$INSTDIR\Trevlin.wma.new"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "${SHORTCUT}"

  ; The folders Setup made on the way to $INSTDIR, while they are empty.
  ReadRegStr $R0 HKCU "${OWN_KEY}" "CreatedFolder"
  ${If} $R0 != ""
    StrLen $R2 $R0
    ${GetParent} $INSTDIR $R1
    ${Do}
      StrCpy $R3 $R1 $R2
      ${If} $R3 != $R0
        ${ExitDo}
      ${EndIf}
      RMDir $R1
      ${GetParent} $R1 $R1
    ${LoopUntil} $R1 == ""
  ${EndIf}

  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "${OWN_KEY}"
SectionEnd
