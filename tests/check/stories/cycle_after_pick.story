# opn.dat and loop.dat jump to each other when flag k is on, which only the
# first button's scene sets: a play that picks it loops in its next game,
# one that never does is spared. Still an error: a play gets there.
# expect: loop.dat:1:6 error jump-cycle: when the flags are so ('k' on), and a play comes here with them
--- file opn.dat
>bon>k>next>loop
はじめ
--- file loop.dat
>ive>opn
--- file 0_0.dat
兄の場面
>on>k
>end
--- file 1_0.dat
柚木の場面
>ending
--- file end.dat
終わり
>end
--- events
run
click qst0
run
click clickme
run
