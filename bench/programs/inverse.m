a = rand(1000);
y = inv(a);
disp(size(y))
