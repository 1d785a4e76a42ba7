# Bytes that are not Shift-JIS show as the geta mark, and a line feed
# without a carriage return joins two lines into one. A real geta mark in
# the text (bytes 81 AC) is fine.
# expect: opn.dat:2:3 warning bad-encoding: 2 bytes that are not Shift-JIS (the first is 0x82 at this column)
# expect: opn.dat:3:3 warning lone-lf: a line feed without a carriage return
--- file opn.dat
はじめ〓
あい\x82 う\xFF
一行\n二行
>ending
--- file end.dat
終わり
>end
--- events
run
click clickme
