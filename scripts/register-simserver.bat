@echo off
rem Registers the simulation OPC server: ZZSimServer.dll (in-process; ProgIDs ZZSim.OpcServer.1
rem and ZZSim.Flat.1) and ZZSimServer.exe (local server; ZZSim.OpcServerExe.1 and ZZSim.FlatExe.1).
rem   register-simserver.bat [path\to\ZZSimServer.dll] [/u] [/user]
rem Without a path the files next to this script are used. Machine-wide registration needs an
rem administrator prompt; "/user" registers the DLL for the current user only (the EXE is always
rem registered machine-wide).
rem An out-of-process server needs a proxy/stub for the OPC interfaces. ZZOpcProxy.dll serves twelve;
rem it is registered only for those that have none yet: the OPC core components bring their own,
rem and another vendor's entry is never replaced (regsvr32 writes all twelve, so such entries are put
rem back right after). "/u" removes only the interfaces' entries that name ours.
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
set "OUR_PS={8EE03AEE-9CB0-490B-9E54-F0A4180E0200}"
rem IOPCServer, IOPCServerPublicGroups, IOPCBrowseServerAddressSpace, IOPCGroupStateMgt,
rem IOPCPublicGroupStateMgt, IOPCSyncIO, IOPCAsyncIO, IOPCItemMgt, IEnumOPCItemAttributes, IOPCCommon
set IIDS=39C13A4D-011E-11D0-9675-0020AFD8ADB3 39C13A4E-011E-11D0-9675-0020AFD8ADB3
set IIDS=%IIDS% 39C13A4F-011E-11D0-9675-0020AFD8ADB3 39C13A50-011E-11D0-9675-0020AFD8ADB3
set IIDS=%IIDS% 39C13A51-011E-11D0-9675-0020AFD8ADB3 39C13A52-011E-11D0-9675-0020AFD8ADB3
set IIDS=%IIDS% 39C13A53-011E-11D0-9675-0020AFD8ADB3 39C13A54-011E-11D0-9675-0020AFD8ADB3
set IIDS=%IIDS% 39C13A55-011E-11D0-9675-0020AFD8ADB3 F31DFDE2-07B6-11D2-B2D8-0060083BA1FB
set IIDS=%IIDS% 39C13A70-011E-11D0-9675-0020AFD8ADB3 39227004-A18F-4B57-8B0A-5235670F4468
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
    call :register_proxy
    if errorlevel 1 goto failed
)
echo Done.
exit /b 0

:register_proxy
set "FOREIGN="
set "FREE=0"
for %%I in (%IIDS%) do call :note_proxy %%I
if "%FREE%"=="0" (
    echo Every OPC interface has a proxy/stub registered already: ZZOpcProxy.dll not registered.
    exit /b 0
)
regsvr32 /s "%PROXY%"
if errorlevel 1 exit /b 1
for %%P in (%FOREIGN%) do for /f "tokens=1,2 delims=#" %%a in ("%%P") do (
    "%REG%" add "HKCR\Interface\{%%a}\ProxyStubClsid32" /ve /d "%%b" /f >nul
)
echo ZZOpcProxy.dll registered for the %FREE% OPC interface(s) without another proxy/stub.
exit /b 0

rem Counts the interface as free, or notes "iid#clsid" of another vendor's proxy/stub.
:note_proxy
call :proxy_of %1
if not defined PS (set /a FREE+=1& exit /b 0)
if /i "%PS%"=="%OUR_PS%" (set /a FREE+=1& exit /b 0)
set "FOREIGN=%FOREIGN% %1#%PS%"
exit /b 0

rem PS = the proxy/stub class registered for interface %1, undefined when there is none.
:proxy_of
set "PS="
for /f "tokens=3" %%C in ('%REG% query "HKCR\Interface\{%1}\ProxyStubClsid32" /ve 2^>nul ^| find "REG_SZ"') do set "PS=%%C"
exit /b 0

:unregister
regsvr32 /s /u "%DLL%"
if exist "%EXE%" start "" /wait "%EXE%" /UnregServer
rem Interface by interface: only entries naming our proxy/stub go (regsvr32 /u would take all twelve).
for %%I in (%IIDS%) do call :drop_proxy %%I
"%REG%" delete "HKCR\CLSID\%OUR_PS%" /f >nul 2>&1
echo Done.
exit /b 0

:drop_proxy
call :proxy_of %1
if /i "%PS%"=="%OUR_PS%" "%REG%" delete "HKCR\Interface\{%1}" /f >nul
exit /b 0

:failed
echo Registration failed.
exit /b 1
