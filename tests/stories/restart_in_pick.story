# A scene whose first line is >end restarts the game inside the pick; the
# pick's counters then apply to the new game: DayCnt 1, Visits(1) 1.
# A click on a choice button while the menu is closed is a pick as well.
--- file opn.dat
はじまり
つづき
--- file 1_0.dat
>end
--- file 0_0.dat
零
--- events
click qst1
resize 1024x768
click qst1
resize 1024x768
click qst0
