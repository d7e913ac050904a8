local s = ""
for i = 1, 200000 do s = s .. "x" end
print(#s)
