# The format's traps, in a story that otherwise runs: keywords inside prose
# and inside names, text after commands that take none, a flag of two
# characters, '>sw' inside a picture name, spellings that are no keywords,
# markers that are not whole lines, and lines after the script has left.
# expect: opn.dat:2:4 warning keyword-in-prose: '>p' at column 4 makes this line a page break
# expect: opn.dat:3:3 warning keyword-in-prose: '>on' at column 3 makes this line a flag-on line, not prose; its arguments are cut as if the keyword began the line (the flag is 'n' at column 5)
# expect: opn.dat:4:4 warning keyword-in-argument: this '>on' line is a page break: '>p' at column 4
# expect: opn.dat:5:12 warning keyword-in-argument: this '>bon' line is a flag-on line: '>on' at column 12
# expect: opn.dat:6:1 warning not-a-keyword: '>IMG' is not the keyword '>img'
# expect: opn.dat:7:1 warning not-a-keyword: '＞p' is not the keyword '>p'
# expect: opn.dat:8:1 warning not-a-keyword: '>Qst' is not the keyword '>qst'
# expect: opn.dat:9:1 warning not-a-keyword: '>GAME' is not the marker '>game'
# expect: opn.dat:10:2 warning keyword-in-prose: '>img>none' at column 2 makes this line a picture clear
# expect: opn.dat:11:5 warning keyword-in-argument: this '>ive' line is a page break
# expect: opn.dat:12:3 warning ignored-text: text after '>p' is ignored
# expect: opn.dat:13:6 warning flag-extra-text: 'b' after the flag 'a' is ignored
# expect: opn.dat:14:8 warning sw-in-name: the picture is 'a' and the flag 'm'
# expect: opn.dat:15:1 warning marker-not-exact: not exactly '>game'
# expect: opn.dat:16:4 warning marker-not-exact: not exactly '>html'
# expect: opn.dat:17:10 warning ignored-text: this line clears the picture area and shows none
# expect: opn.dat:19:1 warning dead-line: the script always leaves at line 18 ('>ending')
# expect: end.dat:3:5 warning ignored-text: fast-forward stops before a line only when it is exactly '>end'
--- file opn.dat
一行目
これは>pではない
ab>on>x
>on>p
>bon>q>next>onyx
>IMG>X と ＞p は文章
＞p
>Qst
>GAME
A>img>none!
>ive>park
>p 改ページ
>on>ab
>oimg>a>swim>sw>x
>game 
これは>htmlの話
>img>nonesuch
>ending
残り
--- file end.dat
終わり
>on>m
>end 
--- file a.jpg jpeg 10x10
--- file 3.jpg jpeg 10x10
--- events
run
click clickme
run
click clickme
run
click clickme
run
click clickme
run
click clickme
