# The first pick of the second button opens 1_0.dat, which is missing. The
# menu opens at the end of opn.dat, so the pick is made there, on its last
# line.
# missing: 1_0
# expect: opn.dat:2:1 error missing-scene: opens '1_0.dat', which does not exist
--- file opn.dat
はじめ
どちらにする？
--- file 0_0.dat
場面
>ending
--- file end.dat
終わり
>end
--- events
run
click qst1
