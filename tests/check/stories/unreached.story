# Files that no game reaches: a script nothing jumps to, and a picture that
# only that script shows.
# expect: extra.dat warning unreached-script: no game reaches this script
# expect: lonely.jpg note unused-picture: no line that a game runs shows this picture
--- file opn.dat
はじめ
>ending
--- file end.dat
終わり
>end
--- file extra.dat
>img>lonely
使われない
--- file lonely.jpg jpeg 10x10
--- events
run
click clickme
