# A jump whose name ends with a blank: the blank is part of the file name,
# so the player looks for 'next .dat'.
# expect: opn.dat:2:6 error missing-script: '>ive' opens the script 'next .dat', which does not exist
# expect: opn.dat:2:10 warning blank-in-name: the name 'next ' ends with a blank
# expect: next.dat warning unreached-script: no game reaches this script
--- file opn.dat
はじめ
>ive>next 
--- file next.dat
次
--- events
run
click clickme
