x = 0:9999999;
y = x .* 2 + 1;
disp(y(end))
