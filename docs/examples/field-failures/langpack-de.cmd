@echo off
rem Never started on an English system: its prerequisite names German only.
exit /b 0
