# The right-click fast-forward runs steps until a stop: a line just
# executed that is exactly ">game", ">qst" or ">html"; a next line that is
# exactly ">end" or ">bad"; or the choice menu. It runs through click waits
# and follows jumps; ">ending" is no stop.
--- file opn.dat
一
>p
二
>game
三
>html
四
>game 
五
>ive>two
--- file two.dat
六
>bad
七
>ending
--- file end.dat
八
>end
--- events
rclick lbl
rclick lbl
rclick lbl
rclick lbl
rclick lbl
rclick lbl
mclick lbl
