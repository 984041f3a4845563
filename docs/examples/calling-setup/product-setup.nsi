; The setup of a product that starts the Velmora chainer first and acts on its exit code.
; The kit lies beside the built installer: prerequisites.exe (the chainer), prerequisites.ini and the
; prerequisites' own files. Build: makensis product-setup.nsi
Unicode true
Name "Example Product"
OutFile "product-setup.exe"
; The chainer runs as invoker: it installs with the rights of whoever starts it, so elevate here.
RequestExecutionLevel admin
InstallDir "$PROGRAMFILES\Example Product"

Section
  ExecWait '"$EXEDIR\prerequisites.exe"' $0
  IntCmp $0 0 install
  IntCmp $0 1 missing
  IntCmp $0 -1 restart
  MessageBox MB_ICONSTOP "The prerequisites' setup ended unexpectedly (exit code $0)." /SD IDOK
  SetErrorLevel 1603
  Quit
missing:
  ; A mandatory prerequisite is still missing: the log (LogFile) says which, and why.
  MessageBox MB_ICONSTOP "A component Example Product needs could not be installed. See prerequisites.log." /SD IDOK
  SetErrorLevel 1603
  Quit
restart:
  ; A prerequisite asked for a restart and Windows is restarting: run this setup again afterwards. The
  ; exit codes recorded under RetValPropName wait in HKCU\InterbootContext.
  MessageBox MB_ICONINFORMATION "Windows restarts to finish installing what Example Product needs. Run this setup again afterwards." /SD IDOK
  SetErrorLevel 3010
  Quit
install:
  ; Every mandatory prerequisite is in place: the product's own installation.
  SetOutPath "$INSTDIR"
  WriteRegStr HKCU "Software\Velmora Examples\Product" "InstallDir" "$INSTDIR"
SectionEnd
