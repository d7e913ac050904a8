a = zeros(1, 1000000);
for i = 0:999999
  a(i + 1) = a(i + 1) + i;
end
disp(a(1000000))
