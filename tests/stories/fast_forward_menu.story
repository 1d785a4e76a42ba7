# Fast-forward to the end of a scene opens the menu; a right click while
# the menu is open only turns the indicator black and white. After a >qst
# line (with a trailing blank, which the equality test does not match) the
# text takes no mouse events at all.
--- file opn.dat
一
二
三
--- file 0_0.dat
四
>qst 
五
--- events
rclick lbl
rclick lbl
click clickme
click qst0
rclick lbl
click lbl
down lbl 2
click clickme
