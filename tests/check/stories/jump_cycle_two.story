# Two scripts that jump to each other before any text: a.dat, b.dat, a.dat
# and so on. Setting a flag on the way is no text.
# expect: a.dat:1:6 error jump-cycle: a cycle of jumps (a.dat -> b.dat -> a.dat)
--- file opn.dat
はじめ
>ive>a
--- file a.dat
>ive>b
--- file b.dat
>on>x

>ive>a
--- events
run
click clickme
