@echo off
rem Registers the simulation OPC server: ZZSimServer.dll (in-process; ProgIDs ZZSim.OpcServer.1
rem and ZZSim.Flat.1) and ZZSimServer.exe (local server; ZZSim.OpcServerExe.1 and ZZSim.FlatExe.1).
rem   register-simserver.bat [path\to\ZZSimServer.dll] [/u] [/user]
rem Without a path the files next to this script are used. Machine-wide registration needs an
rem administrator prompt; "/user" registers the DLL for the current user only (the EXE is always
rem registered machine-wide).
rem An out-of-process server needs a proxy/stub for the OPC interfaces. ZZOpcProxy.dll is
rem registered only where none is registered yet: the OPC core components bring their own, and
rem another vendor's registration is never replaced. "/u" removes it only if it is ours.
setlocal
set "DLL=%~1"
if "%DLL%"=="" set "DLL=%~dp0ZZSimServer.dll"
if /i "%DLL%"=="/u" set "DLL=%~dp0ZZSimServer.dll"
if /i "%DLL%"=="/user" set "DLL=%~dp0ZZSimServer.dll"
if not exist "%DLL%" (
    echo ZZSimServer.dll not found: "%DLL%"
    exit /b 1
)
for %%F in ("%DLL%") do set "DIR=%%~dpF"
set "EXE=%DIR%ZZSimServer.exe"
set "PROXY=%DIR%ZZOpcProxy.dll"
rem The files are 32-bit: on 64-bit Windows, look at the 32-bit registry view.
set "REG=reg"
if exist "%SystemRoot%\SysWOW64\reg.exe" set "REG=%SystemRoot%\SysWOW64\reg.exe"
set "OPCSERVER_PS=HKCR\Interface\{39C13A4D-011E-11D0-9675-0020AFD8ADB3}\ProxyStubClsid32"
set "OUR_PS={8EE03AEE-9CB0-490B-9E54-F0A4180E0200}"
set "MODE="
for %%A in (%*) do (
    if /i "%%~A"=="/u" set "MODE=/u"
    if /i "%%~A"=="/user" set "MODE=/user"
)
if "%MODE%"=="/u" goto unregister

if "%MODE%"=="/user" (
    regsvr32 /s /n /i:user "%DLL%"
) else (
    regsvr32 /s "%DLL%"
)
if errorlevel 1 goto failed
if exist "%EXE%" (
    start "" /wait "%EXE%" /RegServer
    if errorlevel 1 goto failed
)
if exist "%PROXY%" (
    "%REG%" query "%OPCSERVER_PS%" >nul 2>&1
    if errorlevel 1 (
        regsvr32 /s "%PROXY%"
        if errorlevel 1 goto failed
        echo ZZOpcProxy.dll registered for the OPC interfaces.
    ) else (
        echo A proxy/stub for the OPC interfaces is registered already: ZZOpcProxy.dll not registered.
    )
)
echo Done.
exit /b 0

:unregister
regsvr32 /s /u "%DLL%"
if exist "%EXE%" start "" /wait "%EXE%" /UnregServer
if exist "%PROXY%" (
    "%REG%" query "%OPCSERVER_PS%" /ve 2>nul | find /i "%OUR_PS%" >nul
    if not errorlevel 1 regsvr32 /s /u "%PROXY%"
)
echo Done.
exit /b 0

:failed
echo Registration failed.
exit /b 1
