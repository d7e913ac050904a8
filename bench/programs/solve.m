a = rand(1000);
b = ones(1000, 1);
x = a \ b;
disp(size(x))
