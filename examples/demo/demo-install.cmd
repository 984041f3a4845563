@echo off
rem The demo's stand-in for an installer: waits a moment, so that the processing window can be seen,
rem then leaves the registry key its prerequisite's search looks for, as a real installer would, and
rem exits with 0. Usage: demo-install.cmd KEY-BELOW-HKCU PAUSE (PAUSE: 1 for none, 2 for about a second)
ping -n %2 127.0.0.1 >nul
reg add "HKCU\%~1" /f >nul
exit /b 0
