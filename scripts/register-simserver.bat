@echo off
rem Registers the simulation OPC server ZZSimServer.dll (ProgIDs ZZSim.OpcServer.1 and ZZSim.Flat.1).
rem   register-simserver.bat [path\to\ZZSimServer.dll] [/u]
rem Without a path the DLL next to this script is used. Machine-wide registration needs an
rem administrator prompt; "/user" registers for the current user only.
setlocal
set "DLL=%~1"
if "%DLL%"=="" set "DLL=%~dp0ZZSimServer.dll"
if /i "%DLL%"=="/u" set "DLL=%~dp0ZZSimServer.dll"
if /i "%DLL%"=="/user" set "DLL=%~dp0ZZSimServer.dll"
if not exist "%DLL%" (
    echo ZZSimServer.dll not found: "%DLL%"
    exit /b 1
)
set "MODE="
for %%A in (%*) do (
    if /i "%%~A"=="/u" set "MODE=/u"
    if /i "%%~A"=="/user" set "MODE=/user"
)
if "%MODE%"=="/u" (
    regsvr32 /s /u "%DLL%"
) else if "%MODE%"=="/user" (
    regsvr32 /s /n /i:user "%DLL%"
) else (
    regsvr32 /s "%DLL%"
)
if errorlevel 1 (
    echo Registration failed.
    exit /b 1
)
echo Done.
