a = rand(300);
dlmwrite("bench_table.csv", a, ";", "precision", 17);
b = dlmread("bench_table.csv", ";");
disp(size(b))
