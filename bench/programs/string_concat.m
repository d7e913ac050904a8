s = "";
for i = 1:20000
  s = [s "x"];
end
disp(length(s))
