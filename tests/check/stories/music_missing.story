# No bgm.mid: the player runs silent, which is only a warning.
# music: none
# expect: bgm.mid warning missing-music: there is no background music
--- file opn.dat
はじめ
>ending
--- file end.dat
終わり
>end
--- events
run
click clickme
