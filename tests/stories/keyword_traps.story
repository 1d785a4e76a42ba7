# Lines that hold a keyword anywhere are that command.
# - prose containing ">p" is a page break and is not shown
# - two characters before ">on": the flag is the line's fifth character, n
# - ">on>p" is a page break
# - a branch whose target begins with "on" is an >on line whose flag is ">"
# - upper-case keywords and the fullwidth sign are prose
# - ">img>none" anywhere clears; "A>img>none!" too
# - a jump to a name beginning with p is a page break
--- file opn.dat
一行目
これは>pではない
二行目
ab>on>x
>on>p
>bon>q>next>only
>IMG>X と ＞p は文章
A>img>none!
>ive>park
最後
--- file park.dat
来ない
--- events
click lbl
click lbl
click lbl
click lbl
