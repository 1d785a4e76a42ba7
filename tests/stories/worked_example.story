# A scene of 25 prose lines without keywords: the steps that open the
# script show line 1, the timer shows lines 2 to 10 and then waits; a click
# starts a page of 11 lines (11 to 21); the last page holds 22 to 25, and
# the step of line 25 opens the choice menu before it shows the line.
--- file opn.dat
第1行の文章です。
第2行の文章です。
第3行の文章です。
第4行の文章です。
第5行の文章です。
第6行の文章です。
第7行の文章です。
第8行の文章です。
第9行の文章です。
第10行の文章です。
第11行の文章です。
第12行の文章です。
第13行の文章です。
第14行の文章です。
第15行の文章です。
第16行の文章です。
第17行の文章です。
第18行の文章です。
第19行の文章です。
第20行の文章です。
第21行の文章です。
第22行の文章です。
第23行の文章です。
第24行の文章です。
第25行の文章です。
--- events
ticks 9
tick
tick
click clickme
ticks 10
tick
click lbl
ticks 2
tick
tick
