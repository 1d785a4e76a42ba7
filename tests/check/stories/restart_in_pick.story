# 1_0.dat starts a new game before it shows any text, inside the pick that
# opened it: the pick's counts then apply to the new game, so the next pick
# of the second button opens 1_1.dat, which is missing.
# missing: 1_1
# expect: opn.dat:2:1 error missing-scene: the second of that button in a game, opens '1_1.dat'
--- file opn.dat
はじめ
>qst
--- file 0_0.dat
兄の場面
>ending
--- file 1_0.dat
>end
--- file end.dat
終わり
>end
--- events
run
click clickme
click qst1
run
click clickme
click qst1
