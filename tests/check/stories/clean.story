# Every command written as the format wants it: pictures, conditional
# pictures with 3.jpg, flags set, cleared and tested, a branch taken and one
# not, a jump, the choice menu, every scene a game can pick, the bad ending,
# the ending, a new game, exact marker lines and the placeholder in prose.
--- file opn.dat
Ｙの物語
>game
>img>room
部屋にいる。
>oimg>room>sw>m
>fimg>hall>sw>n
ここは廊下。
>img>none
>bon>n>next>side
>boff>m>next>side
>html
>ive>start
--- file start.dat
はじまり
>p
二頁目
>qst
--- file side.dat
わき道
>bad
>ive>start
--- file 0_0.dat
>on>n
場面0_0。Ｙは歩いた。
>off>m
--- file 0_1.dat
場面0_1。Ｙは歩いた。
--- file 0_2.dat
場面0_2。Ｙは歩いた。
--- file 0_3.dat
>img>room
場面0_3
>bon>m>next>side
分かれなかった
--- file 0_4.dat
場面0_4。Ｙは歩いた。
--- file 0_5.dat
場面0_5。Ｙは歩いた。
--- file 0_6.dat
場面0_6。Ｙは歩いた。
--- file 0_7.dat
場面0_7。Ｙは歩いた。
--- file 1_0.dat
場面1_0。Ｙは歩いた。
>on>m
>off>n
--- file 1_1.dat
場面1_1。Ｙは歩いた。
--- file 1_2.dat
場面1_2。Ｙは歩いた。
--- file 1_3.dat
場面1_3。Ｙは歩いた。
--- file 1_4.dat
場面1_4。Ｙは歩いた。
--- file 1_5.dat
場面1_5。Ｙは歩いた。
--- file 1_6.dat
場面1_6。Ｙは歩いた。
--- file 1_7.dat
場面1_7
>ending
--- file bad.dat
悪い終わり
>end
--- file end.dat
終わり
>end
--- file room.jpg jpeg 640x480
--- file hall.jpg jpeg 320x240
--- file 3.jpg jpeg 64x48
--- events
run
click clickme
run
click clickme
run
click clickme
run
click clickme
click qst0
run
click qst1
click qst0
click qst0
run
click clickme
run
click qst1
