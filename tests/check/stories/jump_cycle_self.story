# A script whose first line jumps to itself: it never shows text, and the
# player opens it again and again until it runs out of stack.
# expect: loop.dat:1:6 error jump-cycle: comes back to the start of its own script
# expect: loop.dat:2:1 warning dead-line: the script always leaves at line 1 ('>ive')
--- file opn.dat
はじめ
>ive>loop
--- file loop.dat
>ive>loop
来ない
--- events
run
click clickme
