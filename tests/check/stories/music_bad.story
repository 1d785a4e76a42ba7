# A bgm.mid that is not a MIDI file.
# expect: bgm.mid warning bad-music: it is not a MIDI file (no MThd header)
--- file opn.dat
はじめ
>ending
--- file end.dat
終わり
>end
--- file bgm.mid raw
this is not music
--- events
run
click clickme
