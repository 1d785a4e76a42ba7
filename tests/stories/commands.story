# Every command with its fixed argument positions.
--- file opn.dat
>img>room
部屋の絵
>img>none
絵が消えた
>on>A
>bon>A>next>second
ここには来ない
--- file second.dat
>boff>A>next>never
>off>A
>boff>A>next>third
ここにも来ない
--- file third.dat
>oimg>cat>sw>A
>fimg>cat>sw>A
三番の絵
>ive>fourth
--- file fourth.dat
四番目
>ending
--- file end.dat
おしまい
>qst
--- file 0_0.dat
選んだ
--- file room.jpg jpeg 640x480
--- file cat.jpg jpeg 320x240
--- file 3.jpg jpeg 100x50
--- events
click lbl
click lbl
click lbl
click lbl
click lbl
click lbl
click lbl
click clickme
click qst0
