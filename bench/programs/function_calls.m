1;
function r = add(a, b)
  r = a + b;
end
s = 0;
for i = 0:999999
  s = add(s, i);
end
disp(s)
