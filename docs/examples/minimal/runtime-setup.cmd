@echo off
rem An installer in the shape of a batch file: writes the version the kit's search reads and exits with 0.
reg add "HKCU\Software\Velmora Examples\Runtime" /v Version /d 1.0.0 /f >nul
exit /b 0
