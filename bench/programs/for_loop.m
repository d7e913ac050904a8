s = 0;
for i = 0:9999999
  s += i;
end
disp(s)
