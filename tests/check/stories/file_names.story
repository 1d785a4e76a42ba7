# Names as the player finds them: any case, and a backslash between a
# folder and a file.
--- file opn.dat
はじめ
>img>ROOM
>ive>Sub\\Scene
--- file sub/scene.dat
下の場面
>ending
--- file End.DAT
終わり
>end
--- file room.jpg jpeg 10x10
--- events
run
click clickme
run
click clickme
run
click clickme
