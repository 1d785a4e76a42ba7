# hub.dat jumps to itself when flag k is on. A line sets k on, but opn.dat,
# the only way into hub.dat, sets it off first: no play loops there, yet the
# checker cannot rule out every way the flags could be, so it warns.
# expect: hub.dat:1:13 warning possible-jump-cycle: when the flags are so ('k' on)
--- file opn.dat
はじめ
>off>k
>ive>hub
--- file hub.dat
>bon>k>next>hub
ハブ
>on>k
>ending
--- file end.dat
終わり
>end
--- events
run
click clickme
run
click clickme
run
click clickme
run
click clickme
run
