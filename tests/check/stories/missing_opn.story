# Every game starts with opn.dat; without it the player ends at once.
# expect: opn.dat error missing-opn: there is no 'opn.dat'
--- file end.dat
終わり
>end
--- events
click lbl
