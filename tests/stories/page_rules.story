# Page rules around empty lines and clearing commands.
# - an empty line after a clearing command, then prose: two blank lines
# - an empty line in the middle of a page: one blank line
# - a prose line followed by >fimg does not wait; one tick later the page
#   is cleared
# - an empty line that gets place 11 does not wait, and the next prose line
#   clears the page without a click
# - an empty line that gets place 1 after a full page clears nothing, so the
#   page grows past 11 lines
--- file opn.dat
>p

二行の空行の下
途中
 
空白一つの行

ここまで
>fimg>cat>sw>z
改ページの後
2
3
4
5
6
7
8
9

十一行目の空行の後
b
c
d
e
f
g
h
i
j
k

続きの行
--- file cat.jpg jpeg 64x32
--- file 3.jpg jpeg 640x320
--- events
ticks 4
tick
ticks 7
ticks 9
tick
tick
ticks 10
tick
click clickme
