# A conditional picture whose own picture exists but 3.jpg, which it shows,
# does not: the line ends the program when its flag is on.
# expect: opn.dat:3:1 error missing-picture: '>oimg' shows the picture '3.jpg', which does not exist: the line ends the program whenever flag 'a' is on
--- file opn.dat
はじめ
>on>a
>oimg>room>sw>a
>ending
--- file end.dat
終わり
>end
--- file room.jpg jpeg 10x10
--- events
run
