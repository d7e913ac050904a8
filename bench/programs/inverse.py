import numpy as np
a = np.random.rand(1000, 1000)
y = np.linalg.inv(a)
print(y.shape)
