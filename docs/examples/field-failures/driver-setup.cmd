@echo off
rem A driver package that installs and then asks for a restart: exit code 3010.
reg add "HKCU\Software\Velmora Examples\Driver" /f >nul
exit /b 3010
