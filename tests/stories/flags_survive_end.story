# Flags survive >end; the counters reset, the picture stays, the music is
# not restarted. A flag never written is off.
--- file opn.dat
>bon>k>next>again
>boff>z>next>first
--- file first.dat
>img>pic
最初のゲーム
>on>k
>on>K
>end
--- file again.dat
二度目のゲーム
--- file pic.jpg jpeg 80x40
--- events
click lbl
