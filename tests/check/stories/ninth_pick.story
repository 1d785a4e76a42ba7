# Every scene opens the menu again, so a game makes a ninth pick, which
# opens bad.dat: it is missing. The first game to get there picks the
# first button eight times.
# missing: bad
# expect: 0_7.dat:1:1 error missing-scene: the ninth pick of a game opens 'bad.dat'
--- file opn.dat
はじめ
--- file 0_0.dat
0_0
--- file 0_1.dat
0_1
--- file 0_2.dat
0_2
--- file 0_3.dat
0_3
--- file 0_4.dat
0_4
--- file 0_5.dat
0_5
--- file 0_6.dat
0_6
--- file 0_7.dat
0_7
--- file 1_0.dat
1_0
--- file 1_1.dat
1_1
--- file 1_2.dat
1_2
--- file 1_3.dat
1_3
--- file 1_4.dat
1_4
--- file 1_5.dat
1_5
--- file 1_6.dat
1_6
--- file 1_7.dat
1_7
--- events
click qst0
click qst0
click qst0
click qst0
click qst0
click qst0
click qst0
click qst0
click qst0
