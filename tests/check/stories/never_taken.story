# Flag tests that can never pass: a flag that no line sets on, and a flag
# the script has just set to the other value. Their scripts and pictures are
# never opened, so the missing ones are no error. A flag that no line sets
# on is always off, so a branch taken when it is off always leaves.
# expect: opn.dat:2:6 warning never-taken: this branch is never taken: no line of the story sets flag 'q' on
# expect: opn.dat:4:7 warning never-taken: this branch is never taken: flag 'r' is always on here
# expect: opn.dat:5:18 warning never-taken: this line never shows its picture: no line of the story sets flag 'q' on
# expect: opn.dat:6:19 warning never-taken: this line never shows its picture: flag 'r' is always on here
# expect: opn.dat:8:1 warning dead-line: the script always leaves at line 7 ('>boff')
--- file opn.dat
はじめ
>bon>q>next>nowhere
>on>r
>boff>r>next>nowhere
>oimg>nothing>sw>q
>fimg>nothing2>sw>r
>boff>q>next>end
>ending
--- file end.dat
終わり
>end
--- events
run
click clickme
