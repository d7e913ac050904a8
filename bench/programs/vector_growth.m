v = [];
for i = 0:99999
  v(i + 1) = i;
end
disp(v(end))
