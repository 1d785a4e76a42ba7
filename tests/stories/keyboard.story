# The keys the window system gives the controls: Tab and Shift+Tab move
# the focus in the tab order QstCom(0), Img, EndCom, QstCom(1), skipping
# hidden buttons; Space and Enter press the focused button as a click;
# the picture area takes no key (no About box). The focus is written once
# a key has been pressed.
--- file opn.dat
一
二
--- file 1_0.dat
三
--- events
key space
key return
click lbl
key tab
key tab
key tab
key shift+tab
key return
key shift+tab
key tab
key tab
key space
