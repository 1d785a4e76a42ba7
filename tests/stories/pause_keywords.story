# A prose line waits for a click when the next line holds a pause keyword
# anywhere (>game >p >qst >bon >end >bof >img >ive); >on >off >oimg >fimg
# do not pause. The run-on test sees the next line before the placeholder
# is replaced.
--- file opn.dat
>on>X
一
>on>a
二
>off>a
三
見出し>game
四
>oimg>x>sw>a
五
>bon>a>next>x
六
>boff>X>next>nothere
七
--- file x.jpg jpeg 10x10
--- events
tick
tick
click lbl
tick
click lbl
tick
click lbl
tick
click lbl
tick
click lbl
