@echo off
rem Removes the registration of the simulation OPC server next to this script.
call "%~dp0register-simserver.bat" "%~dp0ZZSimServer.dll" /u
