s = "";
for i = 1:200000
  s = [s "x"];
end
disp(length(s))
