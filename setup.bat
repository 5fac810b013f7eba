@echo off
rem Tarnwell's setup on Windows: opens the setup window, which runs the backend
rem "python -m setup" from this folder. Further arguments are passed on to
rem tarnwell-setup.exe as they are (for example --game and --dest).
setlocal EnableExtensions DisableDelayedExpansion

rem This folder, without the trailing backslash that would escape a closing quote.
set "root=%~dp0"
set "root=%root:~0,-1%"
if not exist "%root%\tarnwell-setup.exe" (
  echo setup.bat: tarnwell-setup.exe is not in this folder; scripts/package-windows.sh lays it out 1>&2
  exit /b 1
)
set "python="
for %%p in (python.exe) do set "python=%%~$PATH:p"
if not defined python (
  echo setup.bat: Python 3 is needed to run Tarnwell's setup 1>&2
  exit /b 1
)

rem The backend package `setup` comes from this folder whatever the working folder is,
rem so paths given relative to the caller's folder keep their meaning; and no "setup"
rem in the caller's folder can stand in for it.
set "PYTHONPATH=%root%"
set "PYTHONSAFEPATH=1"
"%root%\tarnwell-setup.exe" --root "%root%" --python "%python%" %*
exit /b %errorlevel%
