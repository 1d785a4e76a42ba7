# Scenes that end the game instead of opening the menu: only the first
# scene of each button can be picked, so 0_1.dat and the rest need not
# exist.
--- file opn.dat
はじめ
>qst
--- file 0_0.dat
兄の場面
>ending
--- file 1_0.dat
柚木の場面
>ending
--- file end.dat
終わり
>end
--- events
run
click clickme
click qst0
run
click clickme
run
click clickme
run
click clickme
click qst1
run
click clickme
