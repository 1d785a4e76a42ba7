# Picks name the next scene by button and earlier picks of that button:
# 0, 0, 1 open 0_0, 0_1, 1_0 (DayCnt 3, Visits 2 and 1); the ninth pick
# of a game opens "bad", and so does every pick after it, still counting.
--- file opn.dat
はじまり
--- file 0_0.dat
場面0_0
--- file 0_1.dat
場面0_1
--- file 0_2.dat
場面0_2
--- file 0_3.dat
場面0_3
--- file 0_4.dat
場面0_4
--- file 0_5.dat
場面0_5
--- file 0_6.dat
場面0_6
--- file 0_7.dat
場面0_7
--- file 1_0.dat
場面1_0
--- file 1_1.dat
場面1_1
--- file 1_2.dat
場面1_2
--- file 1_3.dat
場面1_3
--- file 1_4.dat
場面1_4
--- file 1_5.dat
場面1_5
--- file 1_6.dat
場面1_6
--- file 1_7.dat
場面1_7
--- file bad.dat
悪い終わり
--- events
click qst0
click qst0
click qst1
click qst1
click qst0
click qst0
click qst0
click qst0
click qst1
click qst0
