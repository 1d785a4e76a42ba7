# Scenes that end the game instead of opening the menu: the menu picks only
# the first scene of each button, but once a layout has shown the buttons a
# pick can be made wherever the story waits. Inside 0_0.dat that is the
# second pick of the first button, which opens the missing 0_1.dat.
# missing: 0_1
# expect: 0_0.dat:1:1 error missing-scene: shown here mid-scene once a layout has run
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
resize 800x600
click qst0
