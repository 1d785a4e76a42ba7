# The About box on a click on the picture area changes nothing. The
# indicator turns black while a button is held on it or on the text; a
# middle click takes no step; a left double click takes one step; a press
# and a release on different controls make no click; a close request ends
# the program.
--- file opn.dat
一
>p
二
>p
三
>p
四
>p
五
--- events
click img
down lbl 4
up lbl 4
tick
down clickme 1
up clickme 1
tick
dblclick clickme
dblclick lbl
tick
down clickme 1
up lbl 1
down lbl 1
up lbl 2
close
