# Lines after the script has left never run, so a broken line there is no
# error: only the first of them is reported, once.
# expect: opn.dat:3:1 warning dead-line: this line and the ones after it never run: the script always leaves at line 2 ('>ending')
--- file opn.dat
はじめ
>ending
>on
>ive>nowhere
--- file end.dat
終わり
>end
--- events
run
click clickme
run
click clickme
