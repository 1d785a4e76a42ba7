# An empty script opens the choice menu at once; a scene without prose
# opens it again inside the pick that opened it.
--- file opn.dat noeol

--- file 0_0.dat
>on>a
>off>a
--- events
tick
click qst0
click lbl
