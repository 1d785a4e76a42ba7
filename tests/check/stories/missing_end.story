# '>ending' opens end.dat, and there is none.
# expect: opn.dat:2:1 error missing-script: '>ending' opens the script 'end.dat', which does not exist
--- file opn.dat
はじめ
>ending
--- events
run
click clickme
