# Two scripts that jump to each other, each after a line of text: every
# jump waits for a click, so the player never runs out of stack.
--- file opn.dat
はじめ
>ive>a
--- file a.dat
エー
>ive>b
--- file b.dat
ビー
>ive>a
--- events
run
click clickme
run
click clickme
run
click clickme
run
click clickme
