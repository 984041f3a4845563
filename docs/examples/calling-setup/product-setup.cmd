@echo off
rem The setup of a product that starts the Velmora chainer first and acts on its exit code. The kit lies
rem beside this file: prerequisites.exe (the chainer), prerequisites.ini and the prerequisites' own files.
rem The chainer runs as invoker, with the rights of whoever starts it: run this from an elevated prompt.
setlocal
rem A GUI program: "start /wait" waits for it and hands on its exit code.
start "" /wait "%~dp0prerequisites.exe"
set code=%ERRORLEVEL%
if "%code%"=="0" goto install
if "%code%"=="1" goto missing
if "%code%"=="-1" goto restart
echo The prerequisites' setup ended unexpectedly (exit code %code%).
exit /b 1603

:missing
echo A component Example Product needs could not be installed. See prerequisites.log.
exit /b 1603

:restart
echo Windows restarts to finish installing what Example Product needs. Run this setup again afterwards.
exit /b 3010

:install
echo Every prerequisite is in place: installing Example Product.
rem The product's own installation goes here, for example:
rem start "" /wait msiexec /i "%~dp0product.msi" /qn
exit /b 0
