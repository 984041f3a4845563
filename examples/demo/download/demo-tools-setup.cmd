@echo off
rem Velmora demo tools as the demo's download server hands them out: waits a moment, so that the
rem processing window can be seen, then leaves the registry value the prerequisite's search looks for, as
rem an installer would, and exits with 0. Its switches (/passive, /quiet) change nothing.
ping -n 2 127.0.0.1 >nul
reg add "HKCU\Software\Velmora\DemoTools" /v Version /d 1.0 /f >nul
exit /b 0
