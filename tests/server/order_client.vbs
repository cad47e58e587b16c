' A script host as automation client of the order server: every by-reference argument arrives
' at the server as a reference to a VARIANT.
Option Explicit
Dim server, ok, status, filled, price, symbols, expiries, types, exchanges, size, cost
Set server = CreateObject("Quillmere.OrderServer")
WScript.Echo "Connected=" & server.Connected

server.NewOrder "ES", "", 0, "", 0, 0, 1, 2, 4500.25, 801
ok = server.GetOrderStatus(801, status, filled, price)
WScript.Echo "Placed=" & ok & " Status=" & status & " TypeOfStatus=" & TypeName(status) & " TypeOfPrice=" & TypeName(price)
server.CancelOrder 801
ok = server.GetOrderStatus(802, status, filled, price)
WScript.Echo "Unknown=" & ok & " Status=" & status

' The position file is read by the server's next scan. (Wine's script host has no Sleep.)
Dim started
started = Timer
Do
  ok = server.GetAllPositionSpec(symbols, expiries, types, exchanges)
Loop Until ok Or Abs(Timer - started) > 15
WScript.Echo "Positions=" & ok & " Count=" & (UBound(symbols) + 1) & " Symbol=" & symbols(0) & " Type=" & types(0) & " Expiry=[" & expiries(0) & "] Exchange=[" & exchanges(0) & "]"
ok = server.GetPositionInfo("es", "", 0, "", size, cost)
WScript.Echo "Position=" & ok & " Size=" & size & " Cost=" & cost

On Error Resume Next
server.NewOrder Null, "", 0, "", 0, 0, 1, 1, 1, 803
WScript.Echo "ErrNumber=" & Hex(Err.Number)
WScript.Echo "ErrDescription=" & Err.Description
WScript.Echo "ErrSource=" & Err.Source
Err.Clear
On Error GoTo 0
Set server = Nothing
WScript.Echo "Done"
