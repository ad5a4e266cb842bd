@echo off
rem Tavrimo's test kit: runs every test program against the Tavrimo.exe beside this file,
rem and tavrimo-calc.exe against the texts it must write. Double-click it, or run it in a
rem console. Exits 0 only when nothing failed. The reports go to "results" beside it, or
rem under %TEMP% where this folder cannot be written to.
rem No delayed expansion: a folder name may hold a "!".
setlocal EnableExtensions DisableDelayedExpansion
set "kit=%~dp0"
set "self=%~f0"
cd /d "%kit%"
set status=0

set "results=%kit%results"
call :writable "%results%"
if not errorlevel 1 goto :results_ready
echo This folder cannot be written to, so the results go under %%TEMP%%.
set "results=%TEMP%\Tavrimo-tests\results"
call :writable "%results%"
if not errorlevel 1 goto :results_ready
echo Cannot write the results, neither beside the kit nor under %%TEMP%%.
set status=2
goto :end
:results_ready
rem Quoted: a folder name may hold a "&".
echo Results (send this folder back): "%results%"
echo.
rem GoogleTest opens its reports through the ANSI code page, which may lack characters of
rem the folder's name: there it is given the folder's short name, and failing that none.
set "reports=%results%"
call :reports_open
if not errorlevel 1 goto :reports_ready
for %%d in ("%results%") do set "reports=%%~sd"
call :reports_open
if not errorlevel 1 goto :reports_ready
echo GoogleTest cannot write its XML reports there in this code page: only the logs.
set "reports="
:reports_ready
cd /d "%results%"
rem The machine the tests ran on, so that nobody has to add it to the report by hand.
"%kit%system-info.exe" system.txt
echo.

set passed=0
set failed=0
set skipped=0
for %%p in (core_tests framework_tests e2e_tests menu_probe_tests) do call :program %%p
call :calc
echo.
echo Total: %passed% passed, %failed% failed, %skipped% skipped
if %failed% neq 0 set status=1
call :perf

:end
rem Started by a double-click (Explorer runs: cmd /c ""<this file>" "), the window would
rem close before the total could be read. Run in a console or by a script, it goes on.
set "clicked=%ComSpec% /c ""%self%" ""
setlocal EnableDelayedExpansion
if /i "!cmdcmdline!"=="!clicked!" pause
endlocal
exit /b %status%

rem Makes the folder and checks that a file can be written there.
:writable
mkdir "%~1" 2>nul
copy /y nul "%~1\writable.txt" >nul 2>&1
if not exist "%~1\writable.txt" exit /b 1
del "%~1\writable.txt"
exit /b 0

rem Whether GoogleTest writes a report into the results by the name in %reports%.
:reports_open
if exist "%results%\probe.xml" del "%results%\probe.xml"
"%kit%core_tests.exe" --gtest_list_tests "--gtest_output=xml:%reports%\probe.xml" >nul 2>&1
if not exist "%results%\probe.xml" exit /b 1
del "%results%\probe.xml"
exit /b 0

rem Runs one GoogleTest program and counts its tests from its summary: "[==========] 26
rem tests from 6 test suites ran.", "[  PASSED  ] 24 tests." and "[  SKIPPED ] 1 test.";
rem the rest of those that ran failed. A test that starts a copy of its program puts that
rem copy's summary into the log first: the program's own is the last.
:program
set "log=%1.log"
if defined reports (
    "%kit%%1.exe" --gtest_color=no --gtest_brief=1 "--gtest_output=xml:%reports%\%1.xml" >"%log%" 2>&1
) else (
    "%kit%%1.exe" --gtest_color=no --gtest_brief=1 >"%log%" 2>&1
)
set code=%errorlevel%
set ran=
for /f "usebackq tokens=1-5" %%a in ("%log%") do (
    if "%%a"=="[==========]" if "%%d"=="from" set /a ran=%%b, ok=0, skip=0
    if "%%b"=="PASSED" if "%%c"=="]" set /a ok=%%d
    if "%%b"=="SKIPPED" if "%%e"=="test." set /a skip=%%d
    if "%%b"=="SKIPPED" if "%%e"=="tests." set /a skip=%%d
)
rem A program that ended before its summary, or failed after it, counts as one failed test.
set bad=1
if defined ran set /a bad=ran-ok-skip, passed+=ok, skipped+=skip
if %code% neq 0 if %bad% equ 0 set bad=1
set /a failed+=bad
if %bad% equ 0 (
    echo passed  %1: %ok% passed, %skip% skipped
    exit /b 0
)
echo FAILED  %1, exit code %code%, %bad% failed:
type "%log%"
exit /b 0

rem What the program costs on this machine next to its baselines, with the machine named:
rem reported in perf.txt and in one line here, never judged. TAVRIMO_SKIP_PERF skips it.
:perf
if defined TAVRIMO_SKIP_PERF exit /b 0
echo Measuring start-up, memory and a keystroke (a minute or two)...
"%kit%perf_probe.exe" --report perf.txt
if errorlevel 1 (
    echo perf: not measured
    exit /b 0
)
echo.>>perf.txt
type system.txt >>perf.txt
exit /b 0

rem tavrimo-calc.exe must write, for each height, the texts that the reference build wrote.
:calc
"%kit%tavrimo-calc.exe" <"%kit%calc-heights.txt" >calc-texts.txt 2>&1
fc /b "%kit%calc-texts.txt" calc-texts.txt >calc.log 2>&1
if errorlevel 1 (
    echo FAILED  tavrimo-calc: other texts than calc-texts.txt, see calc.log
    set /a failed+=1
) else (
    echo passed  tavrimo-calc: the texts of every height in calc-heights.txt
    set /a passed+=1
)
exit /b 0
